#include "GatewayLimits.h"

#include "resources/Strings.h"

#include <cctype>
#include <climits>
#include <cstdlib>

namespace tqv {

std::optional<long> registerQuantityLimit(const ConfigStore &s)
{
    if (isFourSubnetType(s.gatewayType))
        return 127;
    if (isDeviceNetType(s.gatewayType))
        return 36;
    if (s.modelFlag4)
        return 84;
    if (isType(s.gatewayType, GatewayType::Profibus) || isType(s.gatewayType, GatewayType::ProfibusModbus))
        return s.modelFlag7 ? 122 : 56;
    return std::nullopt;
}

std::optional<long> bitQuantityLimit(const ConfigStore &s)
{
    if (isFourSubnetType(s.gatewayType))
        return 2000;
    if (isDeviceNetType(s.gatewayType) || isType(s.gatewayType, GatewayType::Profibus) ||
        isType(s.gatewayType, GatewayType::ProfibusModbus))
        return 400;
    return std::nullopt;
}

BufferRange bufferRange(const ConfigStore &s)
{
    if (isDeviceNetType(s.gatewayType))
        return {0x009F, 0x406F, 0x0002};
    if (isFourSubnetType(s.gatewayType))
        return {0x0BFF, 0x4BFF};
    if (isEthernetType(s.gatewayType))
        return {0x01FF, 0x41FF};
    // The PROFIBUS types (and unknown ones) by model.
    if (s.modelFlag4)
        return {0x00A7, 0x40A7};
    if (s.modelFlag7)
        return {0x00F3, 0x40DF};
    return {0x006F, 0x406F};
}

namespace {

// The C library's decimal reading (leading digits, 0 when there are none), kept within int.
long decimalOf(const std::string &text)
{
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<long>(v));
}

} // namespace

std::optional<BufferSizes> fixedMappingLimits(const ConfigStore &s)
{
    if (isEthernetType(s.gatewayType))
        return BufferSizes{kEthernetBufferSize, kEthernetBufferSize};
    if (s.modelFlag4)
        return BufferSizes{168, 168};
    if (s.modelFlag7 || s.modelFlag3)
        return BufferSizes{244, 244};
    return std::nullopt;
}

std::optional<BufferSizes> fixedDownloadSizes(const ConfigStore &s)
{
    if (s.modelFlag4)
        return BufferSizes{168, 168};
    if (s.modelFlag7)
        return BufferSizes{244, 244};
    return std::nullopt;
}

bool sizesFromProfibusConfigData(const ConfigStore &s)
{
    return (s.modelFlag1 || s.modelFlag6) && s.fieldbus.profibusConfigMode == text(StrId::ProfibusInputConfigData);
}

BufferSizes fieldbusSizes(const ConfigStore &s)
{
    return BufferSizes{decimalOf(s.fieldbus.inputSize), decimalOf(s.fieldbus.outputSize)};
}

std::optional<long> combinedUseLimit(const ConfigStore &s)
{
    if (s.modelFlag7)
        return 489;
    if (s.modelFlag3)
        return 225;
    return std::nullopt;
}

bool deviceNetSizesTooLarge(const ConfigStore &s)
{
    const FIELDBUS &f = s.fieldbus;
    return f.inputSize == "160" && (f.outputSize == "112" || f.outputSize == "96");
}

int commandStatusBytes(const std::string &commandStatus)
{
    if (commandStatus.empty() || !std::isdigit(static_cast<unsigned char>(commandStatus.front())))
        return 0;
    const long n = decimalOf(commandStatus);
    return n > 0 ? static_cast<int>(n) : 0;
}

int reservedStatusBytes(const ConfigStore &s)
{
    return s.modelFlag7 ? commandStatusBytes(s.subnet(0).commandStatus) : 0;
}

} // namespace tqv
