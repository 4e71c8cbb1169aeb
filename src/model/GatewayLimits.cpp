#include "GatewayLimits.h"

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

} // namespace tqv
