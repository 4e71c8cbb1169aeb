#pragma once

#include "Strings.h"

#include <string>
#include <string_view>

namespace tqv {

// The 8-bit code page in which project files carry their texts: Windows-1252 for the English set,
// GBK for the Chinese set, so that files stay interchangeable with earlier tools of that language.
enum class CodePage { Windows1252, Gbk };

CodePage codePageFor(Language language);

// UTF-8 -> code page. Returns false (out unspecified) when a character has no place in the code
// page; the caller reports it rather than writing a changed text.
bool encodeText(std::string_view utf8, CodePage page, std::string &out);

// Code page -> UTF-8. Never fails: a byte that the code page leaves undefined (or a broken
// double-byte sequence) becomes U+F700 + byte, which encodeText turns back into the same byte,
// so a file's texts survive a read/write round trip unchanged.
std::string decodeText(std::string_view bytes, CodePage page);

// Appends the UTF-8 form of a character of the Basic Multilingual Plane (below U+10000).
void appendUtf8(char32_t c, std::string &out);

} // namespace tqv
