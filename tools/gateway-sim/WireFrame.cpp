#include "WireFrame.h"

namespace tqvsim {

std::uint8_t WireFrame::sum(std::span<const std::uint8_t> bytes)
{
    std::uint8_t s = 0;
    for (std::uint8_t b : bytes)
        s = static_cast<std::uint8_t>(s + b);
    return s;
}

Bytes WireFrame::make(std::uint8_t code, std::span<const std::uint8_t> data)
{
    Bytes frame;
    frame.reserve(data.size() + kOverhead);
    frame.push_back(code);
    frame.push_back(static_cast<std::uint8_t>(data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(sum(frame));
    return frame;
}

Bytes WireFrame::ack(std::uint8_t code) { return Bytes{code, 0x00, code}; }

Bytes WireFrame::error(std::uint8_t code, std::uint8_t errorCode)
{
    const std::uint8_t data[] = {errorCode, 0x00};
    return make(static_cast<std::uint8_t>(code | 0x80), data);
}

bool WireFrame::sumMatches(std::span<const std::uint8_t> frame)
{
    if (frame.empty())
        return false;
    return sum(frame.first(frame.size() - 1)) == frame.back();
}

} // namespace tqvsim
