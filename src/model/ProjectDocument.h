#pragma once

#include "ConfigStore.h"
#include "../resources/CodePage.h"

#include <string>

namespace tqv {

// Result of a document operation: on failure `message` is the text to show the user.
struct DocumentResult {
    bool ok = true;
    std::string message;
};

// New / Open / Save of the one project document, with the flag rules around them. The GUI adds
// its dialogs and the tree; everything that touches the store and the file happens here.
namespace ProjectDocument {

// New document, followed by the view's initial update.
void newDocument(ConfigStore &store);

// The view's initial update: a fresh configuration unless keepConfigOnNew; clears uploadPending.
void initialUpdate(ConfigStore &store);

// Opens `path`. An empty file is not read: the initial update then runs as for New. On any
// failure the store is unchanged and the message names the file and the reason.
DocumentResult open(const std::string &path, ConfigStore &store, CodePage page);

// Writes the store to `path` through a temporary file beside it that replaces the target only
// when complete. On success fileVersion becomes 500 and configModified is cleared; on failure
// the old file and configModified stay as they were.
DocumentResult save(const std::string &path, ConfigStore &store, CodePage page);

// Whole-file helpers, also used by the command line.
bool readFile(const std::string &path, std::string &bytes);
// Atomic replace of `path` with `bytes`; on failure `error` holds the system's reason.
bool writeFileAtomically(const std::string &path, const std::string &bytes, std::string &error);

} // namespace ProjectDocument

} // namespace tqv
