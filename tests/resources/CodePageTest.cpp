#include "resources/CodePage.h"

#include <gtest/gtest.h>

namespace tqv {
namespace {

std::string encoded(std::string_view utf8, CodePage page)
{
    std::string out;
    EXPECT_TRUE(encodeText(utf8, page, out)) << utf8;
    return out;
}

TEST(CodePage, LanguageDecidesTheCodePage)
{
    EXPECT_EQ(codePageFor(Language::English), CodePage::Windows1252);
    EXPECT_EQ(codePageFor(Language::Chinese), CodePage::Gbk);
}

TEST(CodePage, KnownEncodings)
{
    // "中文" in GBK is D6 D0 CE C4; "é" and "€" in Windows-1252 are E9 and 80.
    EXPECT_EQ(encoded("中文", CodePage::Gbk), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(encoded("café €", CodePage::Windows1252), "caf\xE9 \x80");
    EXPECT_EQ(decodeText("\xD6\xD0\xCE\xC4", CodePage::Gbk), "中文");
    EXPECT_EQ(decodeText("caf\xE9 \x80", CodePage::Windows1252), "café €");
    EXPECT_EQ(encoded("plain ASCII", CodePage::Gbk), "plain ASCII");
}

TEST(CodePage, TextsWithoutAPlaceInTheCodePageAreRefused)
{
    std::string out;
    EXPECT_FALSE(encodeText("中文", CodePage::Windows1252, out));
    EXPECT_FALSE(encodeText("emoji \xF0\x9F\x98\x80", CodePage::Gbk, out));
    EXPECT_FALSE(encodeText("broken \xC3", CodePage::Windows1252, out));
}

TEST(CodePage, EveryByteStringSurvivesDecodeThenEncode)
{
    // Undefined Windows-1252 bytes, broken GBK pairs and a lead byte at the end must all come
    // back byte for byte, so a file's texts are never altered by opening and saving it.
    const std::string samples[] = {
        std::string("\x81\x8D\x8F\x90\x9D", 5),
        std::string("\xD6\xD0\xCE", 3),
        std::string("A\xFF" "B\x80\xD6", 5),
        std::string("\xD6\x20\xD0\xCE\xC4", 5),
    };
    for (CodePage page : {CodePage::Windows1252, CodePage::Gbk}) {
        for (const std::string &bytes : samples) {
            std::string utf8 = decodeText(bytes, page);
            EXPECT_EQ(encoded(utf8, page), bytes);
        }
        std::string all;
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>(b);
        EXPECT_EQ(encoded(decodeText(all, page), page), all);
    }
}

} // namespace
} // namespace tqv
