#include "CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace tqv {

namespace {

constexpr char32_t kEscapeBase = 0xF700;

const char *iconvName(CodePage page) { return page == CodePage::Gbk ? "GBK" : "WINDOWS-1252"; }

// Opening a descriptor loads the converter module, far too slow for every text of a file; so
// each thread keeps one per direction and code page, since iconv_t is not thread-safe to share.
iconv_t descriptor(bool toUtf8, CodePage page)
{
    struct Cache {
        iconv_t cd[2][2];
        Cache()
        {
            for (auto &row : cd)
                for (auto &d : row)
                    d = reinterpret_cast<iconv_t>(-1);
        }
        ~Cache()
        {
            for (auto &row : cd)
                for (auto &d : row)
                    if (d != reinterpret_cast<iconv_t>(-1))
                        iconv_close(d);
        }
    };
    thread_local Cache cache;
    iconv_t &d = cache.cd[toUtf8 ? 1 : 0][page == CodePage::Gbk ? 1 : 0];
    if (d == reinterpret_cast<iconv_t>(-1))
        d = toUtf8 ? iconv_open("UTF-8", iconvName(page)) : iconv_open(iconvName(page), "UTF-8");
    return d;
}

class Converter {
public:
    Converter(bool toUtf8, CodePage page) : m_cd(descriptor(toUtf8, page)) {}
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible. Returns the number of input bytes consumed; stops at the
    // first byte sequence that cannot be converted.
    std::size_t convert(std::string_view in, std::string &out)
    {
        char *src = const_cast<char *>(in.data());
        std::size_t srcLeft = in.size();
        char buffer[256];
        while (srcLeft > 0) {
            char *dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG)
                break;
        }
        // Reset any shift state for the next run.
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return in.size() - srcLeft;
    }

private:
    iconv_t m_cd;
};

// Length of the escape sequence (U+F780..U+F7FF as UTF-8) at `s`, or 0.
std::size_t escapeAt(std::string_view s, std::size_t i, unsigned char &byte)
{
    if (i + 3 <= s.size()) {
        auto b0 = static_cast<unsigned char>(s[i]);
        auto b1 = static_cast<unsigned char>(s[i + 1]);
        auto b2 = static_cast<unsigned char>(s[i + 2]);
        if (b0 == 0xEF && (b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80) {
            char32_t c = (char32_t(b0 & 0x0F) << 12) | (char32_t(b1 & 0x3F) << 6) | (b2 & 0x3F);
            if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
                byte = static_cast<unsigned char>(c - kEscapeBase);
                return 3;
            }
        }
    }
    return 0;
}

} // namespace

void appendUtf8(char32_t c, std::string &out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

CodePage codePageFor(Language language)
{
    return language == Language::Chinese ? CodePage::Gbk : CodePage::Windows1252;
}

bool encodeText(std::string_view utf8, CodePage page, std::string &out)
{
    out.clear();
    bool ascii = true;
    for (char c : utf8)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        out.assign(utf8);
        return true;
    }
    Converter conv(false, page);
    if (!conv.ok())
        return false;
    std::size_t i = 0;
    while (i < utf8.size()) {
        // Split the text at escaped bytes; convert the runs between them.
        std::size_t j = i;
        unsigned char byte = 0;
        while (j < utf8.size() && escapeAt(utf8, j, byte) == 0)
            ++j;
        std::string_view run = utf8.substr(i, j - i);
        if (conv.convert(run, out) != run.size())
            return false;
        if (j < utf8.size()) {
            out += static_cast<char>(byte);
            j += 3;
        }
        i = j;
    }
    return true;
}

std::string decodeText(std::string_view bytes, CodePage page)
{
    std::string out;
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return std::string(bytes);
    Converter conv(true, page);
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t used = conv.ok() ? conv.convert(bytes.substr(i), out) : 0;
        i += used;
        if (i < bytes.size()) {
            appendUtf8(kEscapeBase + static_cast<unsigned char>(bytes[i]), out);
            ++i;
        }
    }
    return out;
}

} // namespace tqv
