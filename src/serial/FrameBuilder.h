#pragma once

// Builders of every request of the serial configuration protocol: pure functions from the
// configuration (and an index) to the frame's bytes. The sum is always computed last.

#include "SerialProtocol.h"
#include "model/ConfigStore.h"

#include <cstdint>

namespace tqv {

// The subnet parameter frame's two forms: 17 bytes, or 26 with the User Config fields.
enum class SubnetFrameForm { Short, Extended };
// Extended for types 3, 5 and 6 and for the interface model.
SubnetFrameForm subnetFrameForm(const ConfigStore &store);

// Input and output lengths in use by the first subnet's commands (for the 0x30 frame of the
// hardware-configuration model).
struct LengthsInUse {
    std::uint32_t input = 0;
    std::uint32_t output = 0;
    bool operator==(const LengthsInUse &) const = default;
};

// Recomputes and stores byteCount of every command of the first subnet (from functionCode and
// quantity) and returns the largest ends of its read and write commands (writes less 0x4000).
// When the first subnet is not a Modbus master nothing is computed and the lengths are 0 and 0.
LengthsInUse updateLengthsInUse(ConfigStore &store);

// The frames that depend only on the configuration, built once before a transfer.
struct ConfigFrames {
    Frame readGatewayType;
    Frame writeDeviceNet;
    Frame readDeviceNet;
    Frame writeProfibus;
    Frame readProfibus;
};
// Builds them; recomputes the first subnet's byte counts on the way (updateLengthsInUse).
ConfigFrames buildConfigFrames(ConfigStore &store);

// 0x01 read gateway type and firmware version: 01 00 01.
Frame buildReadGatewayType();
// 0x21 write DeviceNet parameters: station address, baud, input size and output size codes.
Frame buildWriteDeviceNet(const ConfigStore &store);
// 0x22 read DeviceNet parameters: 22 00 22.
Frame buildReadDeviceNet();
// 0x30 write PROFIBUS parameters: 2 data bytes, 3 for types 3 and 6 (with the input-length
// prefix switch); the size codes, or the low bytes of `lengths` for the hardware-configuration model.
Frame buildWriteProfibus(const ConfigStore &store, LengthsInUse lengths);
// 0x31 read PROFIBUS parameters: 31 00 31.
Frame buildReadProfibus();

// 0x03 write the parameters of subnet `subnet` (0-based), in subnetFrameForm(store).
Frame buildWriteSubnet(const ConfigStore &store, int subnet);
// 0x04 read subnet parameters: 04 01 subnet sum.
Frame buildReadSubnet(int subnet);
// 0x14 clear the Modbus commands of a subnet: 14 03 subnet 55 AA sum.
Frame buildClearCommands(int subnet);
// 0x10 write command `index` (0-based: command position index + 1) of a subnet.
Frame buildWriteCommand(const ConfigStore &store, int subnet, int index);
// 0x15 read the number of commands of a subnet: 15 01 subnet sum.
Frame buildReadCommandCount(int subnet);
// 0x16 read one block of commands: 16 02 subnet block sum.
Frame buildReadCommandBlock(int subnet, int block);

// 0x32 write the double-fault reset (fault-reset model) or the timeout action of the first subnet.
Frame buildWriteTimeoutAction(const ConfigStore &store);
// 0x33 read it back: 33 00 33.
Frame buildReadTimeoutAction();
// 0x34 write the PROFIBUS configuration data (count and up to 8 bytes).
Frame buildWriteProfibusConfigData(const ConfigStore &store);
// 0x35 read it back: 35 00 35.
Frame buildReadProfibusConfigData();
// 0x05 write the first subnet's character intervals (sending, receiving).
Frame buildWriteCharIntervals(const ConfigStore &store);
// 0x06 read them back: 06 00 06.
Frame buildReadCharIntervals();

} // namespace tqv
