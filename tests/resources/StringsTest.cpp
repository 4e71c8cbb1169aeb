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

TEST(Strings, FormatFillsInOrderAndNeverInterpretsArguments)
{
    EXPECT_EQ(formatText("a %s b %d c %u", {"x", "12", "7"}), "a x b 12 c 7");
    EXPECT_EQ(formatText("100%% %s", {"%s%d"}), "100% %s%d");
    EXPECT_EQ(formatText("%s and %s", {"one"}), "one and %s");
    EXPECT_EQ(formatText("tail %", {}), "tail %");
}

TEST(Strings, FileTextIsShownEscapedAndCut)
{
    // Chinese stays; the backslash, a C1 control (CSI) and broken UTF-8 are escaped.
    EXPECT_EQ(shownFileText("节点\\-\xC2\x9B" "2J\xE8\x8A\xC0"), "节点\\x5C-\\xC2\\x9B2J\\xE8\\x8A\\xC0");
    EXPECT_EQ(shownFileText(std::string(32, 'A')), std::string(32, 'A'));
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

TEST(PromptStrings, TrickyTextsAreByteExact)
{
    struct Row {
        int id;
        const char *expected;
    };
    const Row rows[] = {
        {61476, "When the protocol type is\\\"Universal\\\",Profibus inputting effective data is effective. "
                "\x0D\x0A Open:The first byte of Profibus input-data show the length of reciving data frames"},
        {61477, "When a Modbus read commands two times in a row without receipt of the correct response, "
                "setting the read command corresponding to the Profibus input data to zero. Selection of "
                "\x0D\x0A \x5C \x22 open\x22, this feature \x5C \x0D\x0A \x5C \x22 selection effect; closed "
                "\x5C \x22, this feature is not used. \x0A"},
        {61479, "Format such as: D1 E1\x0A the above example has 2 bytes, can be up to 8 bytes"},
        {61480, "There are three protocols that you can select: Modbus Master, Modbus Slave, and User Config."
                "\x0D\x0A If communication protocol of your device is not Modbus you can choose the "
                "\x22User Config\x22"},
        {61507, "The number of data: 1-84 (Modbus functional code 3\xC2\xA1\xC2\xA2" "4\xC2\xA1\xC2\xA2"
                "16):\r\n; 1-400( Modbus functional code 1\xC2\xA1\xC2\xA2" "2\xC2\xA1\xC2\xA2" "15)"},
        {61511, "The address range of data mapping in the module memory\nKV305 range:\r\n  Read "
                "command:0x0000~0x00A7\r\n  Write command:0x4000~0x40A7\r\nusers can click on \"Automatic "
                "calculation of mapping address\" to let the software calculation"},
        {61749, "It can reflect whether a Modbus command is respond correctly to PROFIBUS DP Master if you "
                "don't choose \"Disable\". \r\nEvery command takes a bit of the front part of PROFIBUS DP Input "
                "buffer. \r\nIf you have configured 1 to 8 Modbus commands and want to monitor every command' "
                "status you must select \"One Byte\".\r\n If you have configured 9 to 16 Modbus commands and "
                "want to monitor every command' status you must select \"Two Bytes\". \r\nAnd so on"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(text(static_cast<StrId>(r.id), Language::English), r.expected) << r.id;
}

TEST(PromptStrings, BackslashesAndLineBreaksOfTheEnglishTexts)
{
    std::set<int> withBackslash;
    for (const auto &e : englishPromptStrings()) {
        const std::string s = e.text;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '\\') {
                withBackslash.insert(static_cast<int>(e.id));
                // A backslash before r or n would be an escape that was never turned into a break.
                ASSERT_LT(i + 1, s.size()) << static_cast<int>(e.id);
                EXPECT_TRUE(s[i + 1] == ' ' || s[i + 1] == '"') << static_cast<int>(e.id);
            }
            if (s[i] == '\r') {
                EXPECT_TRUE(i + 1 < s.size() && s[i + 1] == '\n') << static_cast<int>(e.id);
            }
        }
    }
    EXPECT_EQ(withBackslash, (std::set<int>{61476, 61477}));
}

} // namespace
} // namespace tqv
