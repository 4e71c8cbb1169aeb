#include "CliFiles.h"

#include "CliApp.h"
#include "model/ConfigStore.h"
#include "model/JsonForm.h"
#include "model/ProjectArchive.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <algorithm>
#include <ostream>

namespace tqv {

namespace {

bool endsWithNoCase(std::string_view s, std::string_view suffix)
{
    if (s.size() < suffix.size())
        return false;
    s.remove_prefix(s.size() - suffix.size());
    return std::equal(s.begin(), s.end(), suffix.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

} // namespace

FileKind fileKindOf(std::string_view path)
{
    if (endsWithNoCase(path, ".tqv"))
        return FileKind::Project;
    if (endsWithNoCase(path, ".json"))
        return FileKind::Json;
    return FileKind::Other;
}

int refuseExtension(CliApp &app, const std::string &path)
{
    app.err() << formatText(StrId::CliUnknownExtension, {path}) << '\n';
    return kExitUsage;
}

int readForCommand(CliApp &app, const std::string &path, ConfigStore &store)
{
    const FileKind kind = fileKindOf(path);
    if (kind == FileKind::Other)
        return refuseExtension(app, path);
    if (const Status read = readConfiguration(path, kind, store); !read) {
        app.err() << read.message() << '\n';
        return kExitUsage; // input that cannot be used is a usage error
    }
    return kExitOk;
}

Status readConfiguration(const std::string &path, FileKind kind, ConfigStore &store)
{
    const Result<std::string> read = ProjectDocument::readFile(path);
    if (!read)
        return read.error();
    const std::string &bytes = read.value();
    if (bytes.empty())
        return Error{ErrorCode::FileEmpty, formatText(StrId::MsgFileEmpty, {path})};
    if (kind == FileKind::Json)
        return storeFromJson(bytes, store, path);
    const ArchiveStatus status = readProject(bytes, codePageFor(currentLanguage()), store);
    if (!status.ok())
        return Error{ErrorCode::FileFormat, formatText(StrId::MsgFileReadFailed, {path, status.reason()})};
    return {};
}

Status writeConfiguration(const std::string &path, FileKind kind, ConfigStore &store)
{
    if (kind == FileKind::Json)
        return ProjectDocument::writeFileAtomically(path, storeToJson(store));
    return ProjectDocument::save(path, store, codePageFor(currentLanguage()));
}

int writeFailed(CliApp &app, const Status &written)
{
    app.err() << written.message() << '\n';
    return written.error().code == ErrorCode::NotRegularFile ? kExitUsage : kExitProblem;
}

} // namespace tqv
