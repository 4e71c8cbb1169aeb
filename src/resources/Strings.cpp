#include "Strings.h"

#include <array>
#include <cstdlib>
#include <unordered_map>

namespace tqv {

namespace {

Language g_language = Language::English;

using Table = std::unordered_map<int, std::string>;

const Table &tableFor(Language language)
{
    auto build = [](Language l) {
        Table t;
        for (const auto &e : allStrings(l))
            t.emplace(static_cast<int>(e.id), e.text);
        return t;
    };
    static const Table english = build(Language::English);
    static const Table chinese = build(Language::Chinese);
    return language == Language::Chinese ? chinese : english;
}

} // namespace

std::vector<StringEntry> allStrings(Language language)
{
    const bool zh = language == Language::Chinese;
    std::vector<StringEntry> all = zh ? chineseStrings() : englishStrings();
    const auto &prompts = zh ? chinesePromptStrings() : englishPromptStrings();
    all.insert(all.end(), prompts.begin(), prompts.end());
    return all;
}

void setLanguage(Language language) { g_language = language; }
Language currentLanguage() { return g_language; }

const std::string &text(StrId id) { return text(id, g_language); }

const std::string &text(StrId id, Language language)
{
    const Table &table = tableFor(language);
    auto it = table.find(static_cast<int>(id));
    if (it != table.end())
        return it->second;
    // Kept so that a missing entry is visible instead of silently empty.
    static thread_local std::unordered_map<int, std::string> missing;
    auto [m, inserted] = missing.try_emplace(static_cast<int>(id));
    if (inserted)
        m->second = "<missing " + std::to_string(static_cast<int>(id)) + ">";
    return m->second;
}

std::string formatText(std::string_view pattern, std::initializer_list<std::string_view> args)
{
    std::string out;
    out.reserve(pattern.size() + 32);
    auto arg = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c != '%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        char n = pattern[i + 1];
        if (n == '%') {
            out += '%';
            ++i;
        } else if ((n == 's' || n == 'd' || n == 'u') && arg != args.end()) {
            out.append(*arg++);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string formatText(StrId id, std::initializer_list<std::string_view> args)
{
    return formatText(text(id), args);
}

std::optional<Language> parseLanguageName(std::string_view name)
{
    if (name.size() >= 2) {
        std::string head{name.substr(0, 2)};
        if (head == "zh" || head == "ZH" || head == "Zh")
            return Language::Chinese;
        if (head == "en" || head == "EN" || head == "En")
            return Language::English;
    }
    return std::nullopt;
}

Language chooseLanguage(std::string_view explicitChoice, std::string_view environmentChoice,
                        std::string_view systemLocaleName)
{
    if (auto l = parseLanguageName(explicitChoice))
        return *l;
    if (auto l = parseLanguageName(environmentChoice))
        return *l;
    if (auto l = parseLanguageName(systemLocaleName); l == Language::Chinese)
        return Language::Chinese;
    return Language::English;
}

std::string systemLocaleNameFromEnvironment()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return {};
}

} // namespace tqv
