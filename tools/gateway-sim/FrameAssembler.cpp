#include "FrameAssembler.h"

namespace tqvsim {

void FrameAssembler::feed(std::span<const std::uint8_t> bytes)
{
    // Compact once everything handed out would otherwise keep growing the buffer.
    if (m_start > 0 && m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    } else if (m_start > 4096) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

std::optional<Bytes> FrameAssembler::next()
{
    const std::size_t available = m_buffer.size() - m_start;
    if (available < 2)
        return std::nullopt;
    const std::size_t total = m_buffer[m_start + 1] + WireFrame::kOverhead;
    if (available < total)
        return std::nullopt;
    const auto first = m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start);
    Bytes frame(first, first + static_cast<std::ptrdiff_t>(total));
    m_start += total;
    return frame;
}

void FrameAssembler::discardPartial()
{
    m_buffer.clear();
    m_start = 0;
}

} // namespace tqvsim
