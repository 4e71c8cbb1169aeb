#pragma once

#include "ConfigRecords.h"
#include "Domain.h"
#include "Result.h"

#include <cstdint>

namespace tqv {

// The one gateway configuration of the running program, with the flags kept beside it.
struct ConfigStore {
    FIELDBUS fieldbus;
    std::array<CONFIG, kSubnetCount> subnets{};
    std::uint32_t gatewayType = 3;
    bool modelFlag1 = false;
    bool modelFlag2 = false;
    bool modelFlag3 = false;
    bool modelFlag4 = false;
    bool modelFlag5 = false;
    bool modelFlag6 = false;
    bool modelFlag7 = true;
    std::uint32_t fileVersion = 500;
    bool configModified = false;
    bool keepConfigOnNew = false;
    bool uploadPending = false;

    // modelFlag1..7 by number (1-based); out-of-range numbers read as clear.
    bool modelFlag(int number) const;
    void setModelFlag(int number, bool value);
    void clearModelFlags();

    // A new document's configuration: type 3, only modelFlag7 set, defaults, fieldbus type.
    void newConfiguration();
    // Defaults of every record for the current gatewayType and flags (both left as they are).
    void resetToDefaults();
    // fieldbusType from gatewayType (type 2 leaves it).
    void applyFieldbusType();
    // Sets the gateway type and exactly the given model flags (modelFlag1..7 = flags[0..6]),
    // then the defaults and the fieldbus type that follow from them.
    void setTypeAndFlags(std::uint32_t type, const std::array<bool, 7> &flags);

    // Access by subnet index 0..3, node number 1..128, command position 1..128.
    CONFIG &subnet(int index) { return subnets.at(static_cast<std::size_t>(index)); }
    const CONFIG &subnet(int index) const { return subnets.at(static_cast<std::size_t>(index)); }
    NODE &node(int subnetIndex, int nodeNumber);
    const NODE &node(int subnetIndex, int nodeNumber) const;
    COMMAND &command(int subnetIndex, int position);
    const COMMAND &command(int subnetIndex, int position) const;

    // Appends a node ("-1", "New Node"). Returns its node number, or ErrorCode::NodeLimit (with
    // the limit message) when the subnet already holds 128 nodes; the count is then unchanged.
    Result<int> addNode(int subnetIndex);

    // Appends a command for `nodeNumber` with the given function code ("1".."16"); quantity "1"
    // for functions 5 and 6. Returns its position, or ErrorCode::CommandLimit as above.
    Result<int> addCommand(int subnetIndex, int nodeNumber, const std::string &functionCode);

    // The data format of a new command: data-filter vocabulary for type 3 or modelFlag1.
    std::string newCommandDataFormat() const;

    bool operator==(const ConfigStore &) const = default;
};

} // namespace tqv
