#include "MessageAssembler.h"

namespace tqvsim {

void MessageAssembler::feed(std::span<const std::uint8_t> bytes)
{
    if (!m_refused)
        m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
}

std::optional<Bytes> MessageAssembler::next()
{
    if (m_refused)
        return std::nullopt;
    const auto header = EthernetMessage::header(m_buffer);
    if (!header)
        return std::nullopt;
    if (header->length > m_maxLength) {
        m_refused = true;
        m_refusedLength = header->length;
        m_buffer.clear();
        return std::nullopt;
    }
    const std::size_t size = EthernetMessage::kHeaderSize + header->length;
    if (m_buffer.size() < size)
        return std::nullopt;
    Bytes message(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(size));
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(size));
    return message;
}

} // namespace tqvsim
