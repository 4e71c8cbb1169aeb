#include "Strings.h"

#include <array>
#include <cstdint>
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

namespace {

// Length of the well-formed UTF-8 sequence starting at s[i] (0 when there is none); C1 control
// characters (U+0080..U+009F, terminal escapes among them) count as not well-formed here.
std::size_t utf8SequenceAt(std::string_view s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3Fu);
    }
    constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp <= 0x9F)
        return 0;
    return length;
}

} // namespace

std::string shownFileText(std::string_view raw)
{
    constexpr std::size_t kShownCharacters = 32;
    std::string shown;
    std::size_t characters = 0;
    std::size_t i = 0;
    for (; i < raw.size() && characters < kShownCharacters; ++characters) {
        const unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            shown += static_cast<char>(c);
            ++i;
        } else if (const std::size_t n = c >= 0x80 ? utf8SequenceAt(raw, i) : 0; n > 0) {
            shown.append(raw.substr(i, n));
            i += n;
        } else {
            static constexpr char kHex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += kHex[c >> 4];
            shown += kHex[c & 0x0F];
            ++i;
        }
    }
    if (i < raw.size())
        shown += "...";
    return shown;
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
