#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace tqv {

// The value of a hexadecimal digit (either case), or -1 for any other character: the one reading of
// a hex digit in the program. A caller that takes a bad digit as 0 says so where it does.
constexpr int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Little-endian writer for files and frames.
class ByteWriter {
public:
    void u8(std::uint8_t v) { m_bytes += static_cast<char>(v); }
    void u16(std::uint16_t v)
    {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void raw(std::string_view bytes) { m_bytes.append(bytes); }

    std::string &bytes() { return m_bytes; }
    std::size_t size() const { return m_bytes.size(); }

private:
    std::string m_bytes;
};

// Bounds-checked little-endian reader: reading past the end sets failed() and yields zeros; it
// never touches memory outside the buffer.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : m_bytes(bytes) {}

    std::uint8_t u8()
    {
        if (!need(1))
            return 0;
        return static_cast<std::uint8_t>(m_bytes[m_pos++]);
    }
    std::uint16_t u16()
    {
        if (!need(2))
            return 0;
        std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    std::uint32_t u32()
    {
        if (!need(4))
            return 0;
        std::uint32_t lo = u16();
        return lo | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::string_view raw(std::size_t count)
    {
        if (!need(count))
            return {};
        std::string_view v = m_bytes.substr(m_pos, count);
        m_pos += count;
        return v;
    }

    bool failed() const { return m_failed; }
    std::size_t position() const { return m_pos; }

private:
    bool need(std::size_t count)
    {
        if (m_failed || count > m_bytes.size() - m_pos) {
            m_failed = true;
            return false;
        }
        return true;
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    bool m_failed = false;
};

// Big-endian reads at fixed offsets of a message (the Ethernet link's layouts are tables of
// offsets): a read reaching past the end sets failed() and yields zeros; it never touches memory
// outside the buffer.
class OffsetReader {
public:
    explicit OffsetReader(std::string_view bytes) : m_bytes(bytes) {}

    std::uint8_t u8(std::size_t offset)
    {
        if (!fits(offset, 1))
            return 0;
        return static_cast<std::uint8_t>(m_bytes[offset]);
    }
    std::uint16_t u16(std::size_t offset)
    {
        if (!fits(offset, 2))
            return 0;
        return static_cast<std::uint16_t>((u8(offset) << 8) | u8(offset + 1));
    }
    std::uint32_t u32(std::size_t offset)
    {
        if (!fits(offset, 4))
            return 0;
        return (static_cast<std::uint32_t>(u16(offset)) << 16) | u16(offset + 2);
    }
    std::string_view raw(std::size_t offset, std::size_t count)
    {
        if (!fits(offset, count))
            return {};
        return m_bytes.substr(offset, count);
    }

    bool failed() const { return m_failed; }
    std::size_t size() const { return m_bytes.size(); }

private:
    bool fits(std::size_t offset, std::size_t count)
    {
        if (offset > m_bytes.size() || count > m_bytes.size() - offset) {
            m_failed = true;
            return false;
        }
        return true;
    }

    std::string_view m_bytes;
    bool m_failed = false;
};

// Big-endian writes at fixed offsets into a zero-filled message of a fixed size: a write reaching
// past the end is dropped and sets failed().
class OffsetWriter {
public:
    explicit OffsetWriter(std::size_t size) : m_bytes(size, '\0') {}

    void u8(std::size_t offset, std::uint8_t v)
    {
        if (fits(offset, 1))
            m_bytes[offset] = static_cast<char>(v);
    }
    void u16(std::size_t offset, std::uint16_t v)
    {
        if (!fits(offset, 2))
            return;
        u8(offset, static_cast<std::uint8_t>(v >> 8));
        u8(offset + 1, static_cast<std::uint8_t>(v));
    }
    void u32(std::size_t offset, std::uint32_t v)
    {
        if (!fits(offset, 4))
            return;
        u16(offset, static_cast<std::uint16_t>(v >> 16));
        u16(offset + 2, static_cast<std::uint16_t>(v));
    }
    void raw(std::size_t offset, std::string_view bytes)
    {
        if (fits(offset, bytes.size()))
            m_bytes.replace(offset, bytes.size(), bytes);
    }

    bool failed() const { return m_failed; }
    const std::string &bytes() const { return m_bytes; }
    std::string take() { return std::move(m_bytes); }

private:
    bool fits(std::size_t offset, std::size_t count)
    {
        if (offset > m_bytes.size() || count > m_bytes.size() - offset) {
            m_failed = true;
            return false;
        }
        return true;
    }

    std::string m_bytes;
    bool m_failed = false;
};

} // namespace tqv
