#pragma once

#include <cstdint>

namespace tqvsim {

// What a gateway type means for the configuration line: its subnets, its fieldbus parameter
// frames and the size of its command blocks.
class GatewayModel {
public:
    explicit GatewayModel(std::uint32_t gatewayType) : m_type(gatewayType) {}

    std::uint32_t gatewayType() const { return m_type; }
    // The type code the gateway reports in its identity reply.
    std::uint8_t reportedType() const { return static_cast<std::uint8_t>(m_type + 1); }

    // Subnets it holds: four for type 2, two for the Ethernet type 4, one otherwise.
    int subnetCount() const;
    // Commands per 0x16 block: 20 for the four-subnet type, 6 for every other type.
    int commandsPerBlock() const;
    // DeviceNet parameters (0x21/0x22) describe its fieldbus: type 0.
    bool hasDeviceNetFieldbus() const { return m_type == 0; }
    // PROFIBUS parameters (0x30/0x31) describe its fieldbus: types 1, 3 and 6.
    bool hasProfibusFieldbus() const { return m_type == 1 || m_type == 3 || m_type == 6; }
    // The PROFIBUS parameter frame carries the third (input length prefix) byte: types 3 and 6.
    std::size_t profibusParameterLength() const { return (m_type == 3 || m_type == 6) ? 3 : 2; }
    // Subnet parameters travel in the extended form for types 3, 5, 6, or with modelFlag2.
    bool extendedSubnetForm(bool modelFlag2) const { return modelFlag2 || m_type == 3 || m_type == 5 || m_type == 6; }

    static constexpr std::uint32_t kHighestType = 6;

private:
    std::uint32_t m_type;
};

inline int GatewayModel::subnetCount() const
{
    if (m_type == 2)
        return 4;
    return m_type == 4 ? 2 : 1;
}

inline int GatewayModel::commandsPerBlock() const { return m_type == 2 ? 20 : 6; }

} // namespace tqvsim
