#pragma once

#include "ConfigStore.h"
#include "Result.h"
#include "../resources/CodePage.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tqv {

// New / Open / Save of the one project document, with the flag rules around them. The GUI adds
// its dialogs and the tree; everything that touches the store and the file happens here.
namespace ProjectDocument {

// New document, followed by the view's initial update.
void newDocument(ConfigStore &store);

// The view's initial update: a fresh configuration unless keepConfigOnNew; clears uploadPending.
void initialUpdate(ConfigStore &store);

// Opens `path`. An empty file is not read: the initial update then runs as for New. On any
// failure the store is unchanged and the message names the file and the reason.
Status open(const std::string &path, ConfigStore &store, CodePage page);

// Writes the store to `path` through a temporary file beside it that replaces the target only
// when complete. On success fileVersion becomes 500 and configModified is cleared; on failure
// the old file and configModified stay as they were.
Status save(const std::string &path, ConfigStore &store, CodePage page);

// Whole-file helpers, also used by the command line. The messages name the file and the reason.
Result<std::string> readFile(const std::string &path);
// The same for a file of another kind: one larger than `maxBytes` is refused before it is read,
// with `tooLarge` ("%s" the path, the size, the limit).
Result<std::string> readFile(const std::string &path, std::uint64_t maxBytes, StrId tooLarge);
// Atomic replace of `path` with `bytes`.
Status writeFileAtomically(const std::string &path, const std::string &bytes);

// Writes a temporary file ".NAME.tqv-save-XXXXXX" beside `path` (a symbolic link is followed)
// through `fill`, then renames it over `path` with the replaced file's owner, group and mode
// (owner and group where permitted). Temporary files of the same target older than a minute,
// left by a save that was killed, are removed first. `fill` gets the open descriptor and the
// temporary file's name and returns an empty text or why it failed. On failure the error's
// message is the reason alone (the caller names the file), the temporary file is gone and `path`
// is untouched; a path that names no regular file is refused with NotRegularFile.
using FileFiller = std::function<std::string(int fd, const std::string &tempPath)>;
Status replaceFileAtomically(const std::string &path, const FileFiller &fill);

} // namespace ProjectDocument

} // namespace tqv
