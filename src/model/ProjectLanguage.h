#pragma once

#include "ConfigStore.h"
#include "resources/Strings.h"

#include <optional>

namespace tqv {

// The language a configuration's enumerated values were chosen in, when it is not the active one:
// such a project shows blank rows and fails every comparison, so the user is told to start the
// program in that language. Nothing when the values fit the active language or cannot be told.
std::optional<Language> foreignProjectLanguage(const ConfigStore &store);

} // namespace tqv
