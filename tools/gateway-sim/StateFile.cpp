#include "StateFile.h"

#include "model/JsonForm.h"
#include "model/ProjectArchive.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace tqvsim {

namespace {

bool endsWithNoCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                      [](char wanted, char c) { return std::tolower(static_cast<unsigned char>(c)) == wanted; });
}

} // namespace

std::optional<StateFile::Kind> StateFile::kindOf(std::string_view path)
{
    if (endsWithNoCase(path, ".tqv"))
        return Kind::Project;
    if (endsWithNoCase(path, ".json"))
        return Kind::Json;
    return std::nullopt;
}

std::optional<std::string> StateFile::load(const std::string &path, tqv::ConfigStore &store)
{
    const auto kind = kindOf(path);
    if (!kind)
        return "\"" + path + "\" is neither a .tqv nor a .json file";
    const tqv::Result<std::string> bytes = tqv::ProjectDocument::readFile(path);
    if (!bytes)
        return bytes.message();
    // Read into a copy so that a refused file leaves the store as it was.
    auto loaded = std::make_unique<tqv::ConfigStore>(store);
    if (*kind == Kind::Json) {
        if (const tqv::Status read = tqv::storeFromJson(bytes.value(), *loaded, path); !read)
            return read.message();
    } else {
        const tqv::ArchiveStatus status =
            tqv::readProject(bytes.value(), tqv::codePageFor(tqv::currentLanguage()), *loaded);
        if (!status.ok())
            return tqv::formatText(tqv::StrId::MsgFileReadFailed, {path, status.reason()});
    }
    store = *loaded;
    return std::nullopt;
}

std::optional<std::string> StateFile::save(const std::string &path, const tqv::ConfigStore &store)
{
    const auto kind = kindOf(path);
    if (!kind)
        return "\"" + path + "\" is neither a .tqv nor a .json file";
    std::string bytes;
    if (*kind == Kind::Json) {
        bytes = tqv::storeToJson(store);
    } else {
        const tqv::ArchiveStatus status = tqv::writeProject(store, tqv::codePageFor(tqv::currentLanguage()), bytes);
        if (!status.ok())
            return tqv::formatText(tqv::StrId::MsgFileSaveFailed, {path, status.reason()});
    }
    if (const tqv::Status written = tqv::ProjectDocument::writeFileAtomically(path, bytes); !written)
        return written.message();
    return std::nullopt;
}

} // namespace tqvsim
