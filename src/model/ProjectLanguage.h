#pragma once

#include "ConfigStore.h"
#include "resources/Strings.h"

#include <optional>
#include <string_view>

namespace tqv {

// A configuration's enumerated values are the texts of the language they were chosen in. These
// tell that language from the values and turn the values into the other language's texts, so a
// project made in one language can be opened in the other. Names and other free texts are never
// touched; a value that is no text of its field's vocabulary stays as it is.

// The language whose texts the enumerated values are; nothing when they tell none (no value is
// the text of one language only) or tell both equally.
std::optional<Language> valuesLanguage(const ConfigStore &store);

// The same from a project file's bytes (read in either code page, so before the file's language
// is known). Nothing when the bytes are no readable project or tell no language.
std::optional<Language> projectFileLanguage(std::string_view bytes);

// Replaces every enumerated value that is `from`'s text of its field by `to`'s text of the same
// value, in all records (the commands in use). Returns how many values changed. Converting
// back gives the same configuration again.
int convertValuesLanguage(ConfigStore &store, Language from, Language to);

} // namespace tqv
