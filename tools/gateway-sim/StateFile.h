#pragma once

#include "model/ConfigStore.h"

#include <optional>
#include <string>
#include <string_view>

namespace tqvsim {

// The simulator's state on disk: a project file (.tqv, in the active language's code page) or its
// JSON form (.json), chosen by the extension in any case.
class StateFile {
public:
    enum class Kind { Project, Json };

    static std::optional<Kind> kindOf(std::string_view path);

    // Reads `path` into `store`; on failure the store is unchanged and the message says why.
    static std::optional<std::string> load(const std::string &path, tqv::ConfigStore &store);

    // Replaces `path` with `store`, through a temporary file; the message says why it failed.
    static std::optional<std::string> save(const std::string &path, const tqv::ConfigStore &store);
};

} // namespace tqvsim
