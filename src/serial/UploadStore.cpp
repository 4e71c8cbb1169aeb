#include "UploadStore.h"

namespace tqv {

CommandFields commandFields(const CommandRecord &r)
{
    auto be16 = [&r](std::size_t at) { return static_cast<std::uint16_t>((r[at] << 8) | r[at + 1]); };
    CommandFields f;
    f.slaveAddress = r[CommandByte::SlaveAddress];
    f.functionCode = r[CommandByte::FunctionCode];
    f.startAddress = be16(CommandByte::StartAddress);
    f.quantity = be16(CommandByte::Quantity);
    f.mappingAddress = be16(CommandByte::MappingAddress);
    f.mappingBit = r[CommandByte::MappingBit];
    f.scanType = r[CommandByte::ScanType];
    f.dataFormat = r[CommandByte::DataFormat];
    return f;
}

} // namespace tqv
