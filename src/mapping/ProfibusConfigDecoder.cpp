#include "ProfibusConfigDecoder.h"

#include "model/Domain.h"
#include "model/GatewayLimits.h"

namespace tqv {

namespace {

// Bytes of a compact identifier or a length byte; `countMask` selects the length bits.
long lengthOf(std::uint8_t byte, std::uint8_t countMask)
{
    const long units = (byte & countMask) + 1;
    return (byte & 0x40) != 0 ? units * 2 : units;
}

} // namespace

std::vector<std::uint8_t> ProfibusConfigDecoder::bytesOf(std::string_view text)
{
    return profibusConfigDataBytes(text);
}

ProfibusDecoding ProfibusConfigDecoder::decode(const std::vector<std::uint8_t> &bytes)
{
    ProfibusDecoding d;
    if (bytes.empty())
        return d; // NoBytes
    if (bytes.size() > kProfibusConfigMaxBytes) {
        d.status = ProfibusDecodeStatus::TooManyBytes;
        return d;
    }
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::uint8_t head = bytes[at];
        const bool toInput = (head & 0x10) != 0;
        const bool toOutput = (head & 0x20) != 0;
        if (toInput || toOutput) {
            const long length = lengthOf(head, 0x0F);
            if (toInput)
                d.input += length;
            if (toOutput)
                d.output += length;
            ++at;
            continue;
        }
        const std::size_t extra = head & 0x0F;
        if (extra == 0x0F) {
            d.status = ProfibusDecodeStatus::ReservedLength;
            return d;
        }
        const bool outputLength = (head & 0x80) != 0;
        const bool inputLength = (head & 0x40) != 0;
        const std::size_t size = 1 + (outputLength ? 1 : 0) + (inputLength ? 1 : 0) + extra;
        if (size > bytes.size() - at) {
            d.status = ProfibusDecodeStatus::Truncated;
            return d;
        }
        std::size_t next = at + 1;
        if (outputLength)
            d.output += lengthOf(bytes[next++], 0x3F);
        if (inputLength)
            d.input += lengthOf(bytes[next], 0x3F);
        at += size;
    }
    d.status = d.input <= kProfibusConfigMaxSize && d.output <= kProfibusConfigMaxSize
                   ? ProfibusDecodeStatus::Valid
                   : ProfibusDecodeStatus::TooLarge;
    return d;
}

} // namespace tqv
