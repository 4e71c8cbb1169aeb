#include "EthernetMessage.h"

namespace tqvsim {

Bytes EthernetMessage::make(std::uint32_t code, std::uint32_t length)
{
    Bytes message(kHeaderSize + length, 0);
    put32(message, 0, code);
    put32(message, 4, length);
    return message;
}

std::optional<MessageHeader> EthernetMessage::header(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < kHeaderSize)
        return std::nullopt;
    return MessageHeader{get32(bytes, 0), get32(bytes, 4)};
}

void EthernetMessage::put32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

void EthernetMessage::put16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value)
{
    bytes[offset] = static_cast<std::uint8_t>(value >> 8);
    bytes[offset + 1] = static_cast<std::uint8_t>(value);
}

std::uint32_t EthernetMessage::get32(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = (value << 8) | bytes[offset + i];
    return value;
}

std::uint16_t EthernetMessage::get16(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return static_cast<std::uint16_t>((bytes[offset] << 8) | bytes[offset + 1]);
}

} // namespace tqvsim
