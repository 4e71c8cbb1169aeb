#pragma once

// What a gateway model can do, named: the one place that reads gatewayType numbers and the model
// flags. Everything outside the model asks the profile instead of testing a flag or a type code.

#include "GatewayLimits.h"
#include "resources/StringId.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tqv {

struct ConfigStore;

// modelFlag1..7 as flags[0..6].
using ModelFlags = std::array<bool, 7>;
ModelFlags modelFlagsOf(const ConfigStore &store);

enum class FieldbusKind { None, DeviceNet, Profibus, Ethernet };

// The protocol a type presets on subnet 1 (and then fixes its rows to).
enum class PresetProtocol { None, ModbusSlave, UserConfig };

// The three monitoring links.
enum class MonitorLinkKind {
    Framed,       // framed serial link, CFramedMonitorDlg
    RecordSerial, // record serial link, CRecordMonitorDlg
    Udp,          // UDP link, CRecordMonitorDlg
};

// How the serial port is set for a monitoring link (no port for UDP: baud 0). Both serial links
// run 8 data bits, no parity, 1 stop bit whatever the serial settings say.
struct MonitorLineSettings {
    std::int32_t baudRate = 0;
};
MonitorLineSettings monitorLineSettings(MonitorLinkKind link);

// When a menu command that depends on the view's mapping state is enabled.
enum class Availability { Never, Always, WhileMappingCommands };

struct ModelProfile {
    std::uint32_t gatewayType = 0;
    bool known = false;

    // ---- tree ----
    FieldbusKind fieldbus = FieldbusKind::None;
    int subnetCount = 0;                              // 1, 2 (Ethernet) or 4; 0 when unknown
    std::optional<StrId> fieldbusLabel;               // top-level label of the fieldbus item
    std::array<std::optional<StrId>, 4> subnetLabels; // top-level labels of the subnets in use
    PresetProtocol preset = PresetProtocol::None;

    // ---- model variants (one per flag, by what the variant is) ----
    bool dataFilterModel = false;     // commands filter bytes instead of exchanging them
    bool interfaceModel = false;      // serial interface chosen per subnet, DeviceNet baud detected
    bool userConfigModel = false;     // built for User Config on subnet 1
    bool faultResetModel = false;     // the input double fault reset, start and stop characters
    bool shortDeviceNetSizes = false; // DeviceNet input without 128/160, output without 96/112
    bool configDataModel = false;     // PROFIBUS sizes from configuration data
    bool hardwareConfigModel = false; // PROFIBUS sizes set through the hardware configuration

    // ---- vocabularies and rows ----
    bool dataFilterVocabulary = false;   // dataFormat: "Fullword", "High byte", "Low byte"
    bool userConfigRows = false;         // the subnet grid carries the User Config rows
    bool profibusModbus = false;         // Modbus subnets keep the User Config rows and may switch
    bool selfDefiningChoosable = false;  // "Self-defining protocol" is offered
    bool plainProfibus = false;          // PROFIBUS rows that follow the model variant alone
    bool fixedProfibusSizes = false;     // sizes come from the hardware, not the grid
    bool timeoutActionRows = false;      // subnet 1 Modbus master: timeout action and count
    bool commandStatusBytes = false;     // subnet 1's command status reserves input bytes
    bool oneNodeOnFirstSubnet = false;   // subnet 1 holds a single node

    // ---- serial configuration link ----
    bool configOverSerial = false;       // the configuration moves over the serial line
    bool reportsEthernetType = false;    // a serial gateway that identifies as the Ethernet type
    std::uint32_t serialIdentityType = 0; // the type the gateway reports (less one) on the serial line
    std::uint32_t uploadedType = 0;      // the type a serial upload from such a gateway gives the project
    bool fieldbusWrittenOverSerial = false; // the download writes the fieldbus parameters
    bool profibusSizesChosen = false;    // PROFIBUS sizes picked in the grid, sent as size codes
    bool settingsDialogSetsBaud = false; // the first serial settings dialog sets the type's baud
    int serialSubnetCount = 0;           // subnets moved over the serial line
    int commandBlockSize = 6;            // commands per command-block read
    FieldbusFrames fieldbusFrames = FieldbusFrames::None;
    bool extendedSubnetFrame = false;    // the 26-byte subnet parameter frame
    bool profibusThirdByte = false;      // PROFIBUS frames with the input-length prefix byte

    // ---- limits ----
    std::optional<long> registerQuantityLimit;
    std::optional<long> bitQuantityLimit;
    BufferRange bufferRange{0x006F, 0x406F};
    std::optional<BufferSizes> fixedMappingLimits;
    std::optional<BufferSizes> fixedDownloadSizes;

    // ---- monitoring ----
    bool asksMonitorFirmware = false;    // the framed link needs firmware 5.X and up
    MonitorLinkKind monitorLink(bool firmware5Up) const;

    // ---- menu commands that depend on the model ----
    bool serialConnection = false;
    bool ethernetConnection = false;
    bool monitorIoData = false;
    Availability mappingAddress = Availability::Never;
    Availability conflictDetection = Availability::Never;
};

ModelProfile profileOf(std::uint32_t gatewayType, const ModelFlags &flags);
ModelProfile profileOf(const ConfigStore &store);
// Another type (a gateway's report) with the model variants of `model`.
ModelProfile profileOf(std::uint32_t gatewayType, const ConfigStore &model);

constexpr bool isAvailable(Availability a, bool mappingCommands)
{
    return a == Availability::Always || (a == Availability::WhileMappingCommands && mappingCommands);
}

// A model a new configuration can be made as: a type with one of the named flag variants.
struct ModelVariant {
    StrId name;
    ModelFlags flags;
};
// Every variant the program builds, a new document's (modelFlag7 alone) first.
const std::vector<ModelVariant> &modelVariants();

// What a model has, in the words of the UI language: the fieldbus ("none" without one), the
// number of subnets, subnet 1's protocol and the commands' data format vocabulary.
struct ModelFacts {
    std::string fieldbus;
    std::string subnets;
    std::string firstSubnet;
    std::string dataFormat;
};
ModelFacts modelFacts(const ModelProfile &profile);

} // namespace tqv
