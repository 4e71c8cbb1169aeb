#pragma once
// The configuration image: the whole configuration of an Ethernet gateway as one 1272-byte block
// (the 8-byte header included), written with command 6 and read back after command 5.
#include "model/ConfigStore.h"
#include "model/Result.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tqv {

constexpr std::size_t kConfigImageSize = 1272;
constexpr std::uint32_t kConfigImagePayload = kConfigImageSize - 8; // 1264, the write's length field
// The two serial subnets an image carries, and the command slots of each.
constexpr int kImageSubnets = 2;
constexpr int kImageCommandSlots = 48;

// Offsets of the image (from the first header byte).
namespace ImageAt {
constexpr std::size_t IpAssignMode = 11;
constexpr std::size_t IpAddress = 12;
constexpr std::size_t SubnetMask = 16;
constexpr std::size_t GatewayAddress = 20;
constexpr std::size_t Dns1 = 24;
constexpr std::size_t Dns2 = 28;
constexpr std::size_t SerialParameters = 32; // per subnet: baud (4), data bits, parity, stop bits
constexpr std::size_t SerialParametersSize = 8;
constexpr std::size_t SubnetBlock = 48;
constexpr std::size_t SubnetBlockSize = 612;
// Within a subnet block.
constexpr std::size_t ResponseTimeout = 12;
constexpr std::size_t PollDelay = 16;
constexpr std::size_t OutputMode = 20;
constexpr std::size_t ScanRatio = 28;
constexpr std::size_t CommandCount = 32;
constexpr std::size_t CommandSlots = 36;
constexpr std::size_t CommandSlotSize = 12;

constexpr std::size_t serialParameters(int subnet) { return SerialParameters + SerialParametersSize * static_cast<std::size_t>(subnet); }
constexpr std::size_t subnetBlock(int subnet) { return SubnetBlock + SubnetBlockSize * static_cast<std::size_t>(subnet); }
constexpr std::size_t commandSlot(int subnet, int index)
{
    return subnetBlock(subnet) + CommandSlots + CommandSlotSize * static_cast<std::size_t>(index);
}
} // namespace ImageAt

// The 1-based number of the first of subnets 1 and 2 holding more commands than the image has
// slots for; 0 when both fit.
int subnetWithTooManyCommands(const ConfigStore &configuration);

// The write message: header (command 6, length 1264) and the image of subnets 1 and 2 and the
// fieldbus IP settings; every byte not carried is zero. Refused (ImageTooManyCommands, with the
// message naming the subnet) when a subnet holds more than 48 commands.
Result<std::string> buildConfigImage(const ConfigStore &configuration);

// Applies a received image (its header is not looked at) to `configuration`: type 4, the IP
// settings (255.255.255.255 reads as the field's default), subnets 1 and 2 with their commands,
// the node tables rebuilt from the slave addresses. Fields the image does not carry keep their
// values. Refused (ImageMalformed), with `configuration` untouched, when fewer than 1272 bytes
// are given or a command count is above 48.
Status applyConfigImage(std::string_view image, ConfigStore &configuration);

} // namespace tqv
