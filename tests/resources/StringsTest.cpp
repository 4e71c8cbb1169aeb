#include "resources/CodePage.h"
#include "resources/Strings.h"

#include <gtest/gtest.h>

#include <set>

namespace tqv {
namespace {

std::set<int> idsOf(const std::vector<StringEntry> &table)
{
    std::set<int> ids;
    for (const auto &e : table)
        EXPECT_TRUE(ids.insert(static_cast<int>(e.id)).second) << "duplicate id " << static_cast<int>(e.id);
    return ids;
}

TEST(Strings, BothSetsCarryExactlyTheSameIds)
{
    EXPECT_EQ(idsOf(allStrings(Language::English)), idsOf(allStrings(Language::Chinese)));
}

TEST(Strings, NoTextIsEmptyAndStoredTextsFitTheirCodePage)
{
    for (const auto &e : allStrings(Language::English)) {
        EXPECT_STRNE(e.text, "") << static_cast<int>(e.id);
        // Value texts end up in project files; tree labels and menu texts never do.
        if (e.id >= StrId::Enable && e.id < StrId::MsgNodeLimit) {
            std::string encoded;
            EXPECT_TRUE(encodeText(e.text, CodePage::Windows1252, encoded)) << e.text;
        }
    }
    for (const auto &e : allStrings(Language::Chinese)) {
        EXPECT_STRNE(e.text, "") << static_cast<int>(e.id);
        std::string encoded;
        EXPECT_TRUE(encodeText(e.text, CodePage::Gbk, encoded)) << e.text;
    }
}

TEST(Strings, PlaceholdersAgreeBetweenTheSets)
{
    auto placeholders = [](std::string_view s) {
        std::string p;
        for (std::size_t i = 0; i + 1 < s.size(); ++i)
            if (s[i] == '%' && (s[i + 1] == 's' || s[i + 1] == 'd' || s[i + 1] == 'u'))
                p += s[++i];
        return p;
    };
    for (const auto &e : allStrings(Language::English))
        EXPECT_EQ(placeholders(e.text), placeholders(text(e.id, Language::Chinese)))
            << static_cast<int>(e.id) << " " << e.text;
}

TEST(Strings, ValueTextsAreExact)
{
    struct Row {
        StrId id;
        const char *english;
    };
    const Row rows[] = {
        {StrId::TimeoutHoldData, "Hold  Data"},
        {StrId::OutputPulse, "Pluse output"},
        {StrId::ProtocolSelfDefining, "Self-defining protocol"},
        {StrId::DeviceNetBaudAuto, "Intercept automatically"},
        {StrId::MsgNodeLimit, "Node number go beyond the limit!"},
        {StrId::MsgCommandLimit, "Command number go beyond the limit!"},
        {StrId::NodeNamePrefix, "Node-"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(text(r.id, Language::English), r.english);
}

TEST(Strings, ActiveLanguageSelectsTheSet)
{
    setLanguage(Language::Chinese);
    EXPECT_EQ(text(StrId::Enable), text(StrId::Enable, Language::Chinese));
    EXPECT_NE(text(StrId::Enable), "Enable");
    setLanguage(Language::English);
    EXPECT_EQ(text(StrId::Enable), "Enable");
}

TEST(Strings, FormatFillsInOrderAndNeverInterpretsArguments)
{
    EXPECT_EQ(formatText("a %s b %d c %u", {"x", "12", "7"}), "a x b 12 c 7");
    EXPECT_EQ(formatText("100%% %s", {"%s%d"}), "100% %s%d");
    EXPECT_EQ(formatText("%s and %s", {"one"}), "one and %s");
    EXPECT_EQ(formatText("tail %", {}), "tail %");
}

TEST(Strings, LanguageChoiceOrder)
{
    struct Row {
        const char *flag, *env, *locale;
        Language expected;
    };
    const Row rows[] = {
        {"", "", "", Language::English},
        {"", "", "C", Language::English},
        {"", "", "zh_CN.UTF-8", Language::Chinese},
        {"", "", "de_DE.UTF-8", Language::English},
        {"", "en", "zh_CN.UTF-8", Language::English},
        {"", "zh", "en_US.UTF-8", Language::Chinese},
        {"en", "zh", "zh_CN", Language::English},
        {"zh", "en", "en_US", Language::Chinese},
        {"xx", "zh", "", Language::Chinese},
    };
    for (const Row &r : rows)
        EXPECT_EQ(chooseLanguage(r.flag, r.env, r.locale), r.expected)
            << r.flag << "|" << r.env << "|" << r.locale;
}

} // namespace
} // namespace tqv
