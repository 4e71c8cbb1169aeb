#include "FrameBytes.h"

namespace tqv {

std::uint8_t frameSum(std::string_view bytes)
{
    unsigned sum = 0;
    for (char c : bytes)
        sum += static_cast<std::uint8_t>(c);
    return static_cast<std::uint8_t>(sum);
}

FrameWriter::FrameWriter(std::uint8_t command, std::uint8_t dataLength)
    : m_frame(static_cast<std::size_t>(dataLength) + 3, '\0')
{
    put(0, command);
    put(1, dataLength);
}

void FrameWriter::put(std::size_t offset, std::uint8_t value)
{
    // The sum's own byte belongs to seal().
    if (offset + 1 >= m_frame.size()) {
        m_failed = true;
        return;
    }
    m_frame[offset] = static_cast<char>(value);
}

void FrameWriter::put16(std::size_t offset, std::uint16_t value)
{
    put(offset, static_cast<std::uint8_t>(value >> 8));
    put(offset + 1, static_cast<std::uint8_t>(value));
}

Frame FrameWriter::seal()
{
    const std::size_t last = m_frame.size() - 1;
    m_frame[last] = static_cast<char>(frameSum(std::string_view(m_frame).substr(0, last)));
    return m_frame;
}

std::uint8_t FrameView::at(std::size_t offset) const
{
    if (offset >= m_bytes.size()) {
        m_overrun = true;
        return 0;
    }
    return static_cast<std::uint8_t>(m_bytes[offset]);
}

std::uint16_t FrameView::be16(std::size_t offset) const
{
    const std::uint8_t high = at(offset);
    return static_cast<std::uint16_t>((high << 8) | at(offset + 1));
}

bool FrameView::sumMatches(std::size_t sumOffset) const
{
    if (sumOffset >= m_bytes.size()) {
        m_overrun = true;
        return false;
    }
    return frameSum(m_bytes.substr(0, sumOffset)) == at(sumOffset);
}

std::string_view FrameView::bytes(std::size_t offset, std::size_t count) const
{
    if (offset > m_bytes.size() || count > m_bytes.size() - offset) {
        m_overrun = true;
        return {};
    }
    return m_bytes.substr(offset, count);
}

} // namespace tqv
