#include "CliFiles.h"

#include "CliApp.h"
#include "model/ConfigStore.h"
#include "model/JsonForm.h"
#include "model/ProjectArchive.h"
#include "model/ProjectDocument.h"
#include "model/ProjectLanguage.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <algorithm>
#include <optional>
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
    if (const Status read = readConfiguration(path, kind, store, &app.fileLanguage()); !read) {
        app.err() << read.message() << '\n';
        return kExitUsage; // input that cannot be used is a usage error
    }
    return kExitOk;
}

Status readConfiguration(const std::string &path, FileKind kind, ConfigStore &store, FileLanguage *language)
{
    const Result<std::string> read = ProjectDocument::readFile(path);
    if (!read)
        return read.error();
    const std::string &bytes = read.value();
    if (bytes.empty())
        return Error{ErrorCode::FileEmpty, formatText(StrId::MsgFileEmpty, {path})};
    const bool recognise = language && !language->forced;
    // The file's own language, where its values tell it; the run's language once a file set it.
    std::optional<Language> own;
    if (recognise && kind == FileKind::Project)
        own = projectFileLanguage(bytes);
    if (own && !language->settled)
        setLanguage(*own);
    if (kind == FileKind::Json) {
        if (Status parsed = storeFromJson(bytes, store, path); !parsed)
            return parsed;
        own = recognise ? valuesLanguage(store) : std::nullopt;
        if (own && !language->settled)
            setLanguage(*own);
    } else {
        const ArchiveStatus status = readProject(bytes, codePageFor(own.value_or(currentLanguage())), store);
        if (!status.ok())
            return Error{ErrorCode::FileFormat, formatText(StrId::MsgFileReadFailed, {path, status.reason()})};
    }
    if (own) {
        language->settled = true;
        convertValuesLanguage(store, *own, currentLanguage());
    }
    return {};
}

Status writeConfiguration(const std::string &path, FileKind kind, ConfigStore &store, std::optional<Language> language)
{
    if (kind == FileKind::Json)
        return ProjectDocument::writeFileAtomically(path, storeToJson(store));
    return ProjectDocument::save(path, store, codePageFor(language.value_or(currentLanguage())));
}

int writeFailed(CliApp &app, const Status &written)
{
    app.err() << written.message() << '\n';
    return written.error().code == ErrorCode::NotRegularFile ? kExitUsage : kExitProblem;
}

} // namespace tqv
