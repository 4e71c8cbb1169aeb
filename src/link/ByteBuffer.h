#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tqv {

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

} // namespace tqv
