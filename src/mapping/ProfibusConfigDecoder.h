#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tqv {

// Why PROFIBUS configuration data describe no usable sizes.
enum class ProfibusDecodeStatus {
    Valid,
    NoBytes,        // the text yields no byte at all
    TooManyBytes,   // more than eight identifier bytes
    ReservedLength, // a special identifier whose bits 3..0 are 15
    Truncated,      // an identifier needs more bytes than are left
    TooLarge,       // the input or the output size exceeds 112 bytes
};

// The input and output sizes the identifiers describe, or why they describe none.
struct ProfibusDecoding {
    ProfibusDecodeStatus status = ProfibusDecodeStatus::NoBytes;
    long input = 0;  // summed even when too large, so that a caller can say by how much
    long output = 0;

    bool valid() const { return status == ProfibusDecodeStatus::Valid; }
};

// Reads the PROFIBUS DP configuration identifiers of `profibusConfigData` and sums the buffer
// sizes they ask for.
class ProfibusConfigDecoder {
public:
    // The bytes of the text as the gateway receives them (profibusConfigDataBytes).
    static std::vector<std::uint8_t> bytesOf(std::string_view text);

    // Compact identifiers (bits 5 and 4 not both 0) add (bits 3..0) + 1 bytes, in words when bit 6
    // is set, to the input (bit 4) and/or the output (bit 5). Special identifiers (bits 5 and 4
    // both 0) are followed by an output length byte (bit 7), an input length byte (bit 6) and
    // (bits 3..0) manufacturer bytes; a length byte gives (bits 5..0) + 1, in words with bit 6.
    static ProfibusDecoding decode(const std::vector<std::uint8_t> &bytes);
    static ProfibusDecoding decodeText(std::string_view text) { return decode(bytesOf(text)); }
};

} // namespace tqv
