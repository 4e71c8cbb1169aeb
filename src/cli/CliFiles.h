#pragma once

#include "model/Result.h"

#include "resources/Strings.h"

#include <optional>
#include <string>
#include <string_view>

namespace tqv {

struct ConfigStore;
struct FileLanguage;

// What a file named on the command line holds, decided by its extension alone.
enum class FileKind { Project, Json, Other };

// ".tqv" / ".json" in any case: projects copied from Windows often carry upper-case extensions.
FileKind fileKindOf(std::string_view path);

// Reads a project or the JSON form into `store`, checked completely. Without `language` a project
// is read in the active language's code page; with it, by the rule FileLanguage describes. The
// message names the file and the reason.
Status readConfiguration(const std::string &path, FileKind kind, ConfigStore &store, FileLanguage *language = nullptr);

class CliApp;

// Reads FILE named on a subcommand's command line (kind by extension). An unknown extension or an
// unreadable file is printed on the error stream; returns the exit code, kExitOk when read.
int readForCommand(CliApp &app, const std::string &path, ConfigStore &store);
// Prints the unknown-extension message; returns kExitUsage.
int refuseExtension(CliApp &app, const std::string &path);

// Writes `store` as JSON for FileKind::Json, else as a project in the code page of `language`
// (default: the run's); the target is replaced only by a complete file.
Status writeConfiguration(const std::string &path, FileKind kind, ConfigStore &store,
                          std::optional<Language> language = std::nullopt);

// Shows why a file could not be written; returns the exit code: bad usage when the output path
// is no regular file, else a problem.
int writeFailed(CliApp &app, const Status &written);

} // namespace tqv
