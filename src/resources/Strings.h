#pragma once

#include "StringId.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tqv {

// The two resource sets. Every enumerated value the program stores is the text of the set that was
// active when it was chosen, so the active set is process-wide.
enum class Language { English, Chinese };

struct StringEntry {
    StrId id;
    const char *text; // UTF-8
};

// The raw tables, one per language: the general texts (StringsEn.cpp, StringsZh.cpp) followed by
// the prompt-pane explanations (PromptStringsEn.cpp, PromptStringsZh.cpp).
const std::vector<StringEntry> &englishStrings();
const std::vector<StringEntry> &chineseStrings();
const std::vector<StringEntry> &englishPromptStrings();
const std::vector<StringEntry> &chinesePromptStrings();
// Both parts of one language's set.
std::vector<StringEntry> allStrings(Language language);

void setLanguage(Language language);
Language currentLanguage();

// Text of `id` in the active set (or the given one). An id missing from a set yields
// "<missing N>", which the resource test guards against.
const std::string &text(StrId id);
const std::string &text(StrId id, Language language);

// Fills %s / %d / %u placeholders in order with the given arguments; "%%" is a literal percent.
// Extra placeholders stay as they are, extra arguments are ignored. Never interprets its arguments.
std::string formatText(std::string_view pattern, std::initializer_list<std::string_view> args);
std::string formatText(StrId id, std::initializer_list<std::string_view> args);

// Text taken from a file (or a gateway) as a message may quote it: at most the first 32
// characters, then "..."; control characters, bytes that are no UTF-8 and the backslash itself
// as \xNN, so that no byte of the file reaches a terminal or a message box unseen. Every
// message that quotes file content goes through this.
std::string shownFileText(std::string_view raw);

// Language choice: an explicit "en"/"zh" wins, then TQV580_LANG, then the system locale name
// ("zh_CN.UTF-8", "zh-Hans" -> Chinese; anything else -> English).
std::optional<Language> parseLanguageName(std::string_view name);
Language chooseLanguage(std::string_view explicitChoice, std::string_view environmentChoice,
                        std::string_view systemLocaleName);
// The locale name the C library environment reports (LC_ALL, LC_MESSAGES, LANG in that order).
std::string systemLocaleNameFromEnvironment();

} // namespace tqv
