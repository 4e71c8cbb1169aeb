#pragma once

// The two judges of the protocol. A judge looks at byte 0 of a reply and returns it when the
// reply is a valid reply of that command, else 0; an error reply it knows returns its own code
// (request | 0x80), so it never equals the expected one.

#include "ReplyDecoder.h"
#include "UploadStore.h"

#include <cstdint>
#include <string_view>

namespace tqv {

// Which judge reads a transfer's replies: they know different codes.
enum class Judge {
    Download, // 0x01, 0x03, 0x10, 0x14, 0x21, 0x30; errors 0x81, 0x83, 0x90, 0xA1, 0xB0
    Upload,   // 0x01, 0x04, 0x15, 0x16, 0x22, 0x31; errors 0x81, 0x95
};

std::uint8_t judgeDownloadReply(std::string_view reply);
// The upload judge also refuses a reported type 5 (Ethernet) unless the model reports that type.
std::uint8_t judgeUploadReply(std::string_view reply, const ReplyContext &context);

// The judgement of the reply to `request`: the replies to 0x05, 0x06 and 0x32 to 0x35 by their
// own rules (first bytes, fixed frames), every other by `judge`.
std::uint8_t judgeReply(Judge judge, std::uint8_t request, std::string_view reply, const ReplyContext &context);

// Stores the data of a reply the upload judge accepts (0x01, 0x22, 0x31, 0x04, 0x15, 0x16) in
// `store`. Returns false and leaves the store untouched for anything else, error replies included.
bool storeUploadReply(std::string_view reply, const ReplyContext &context, UploadStore &store);

} // namespace tqv
