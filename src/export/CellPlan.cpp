#include "CellPlan.h"

#include "editor/PropertyGrid.h"
#include "model/ModelProfile.h"
#include "resources/Strings.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace tqv {

namespace {

// The cells of one export, in writing order.
class Plan {
public:
    void put(Sheet sheet, int row, int column, std::string text)
    {
        m_cells.push_back({sheet, row, column, std::move(text)});
    }
    std::vector<Cell> take() { return std::move(m_cells); }

private:
    std::vector<Cell> m_cells;
};

bool hasProtocol(const CONFIG &subnet, StrId protocol) { return subnet.protocol == text(protocol); }

// "4000" -> "4000H"; an unset (or empty) address stays blank.
std::string withHexSuffix(const std::string &mappingAddress)
{
    const std::string shown = shownValue(mappingAddress);
    return shown.empty() ? shown : shown + "H";
}

// Commands 1..commandCount of a subnet, never past the table.
int commandsOf(const CONFIG &subnet) { return std::clamp(subnet.commandCount, 0, kMaxCommands); }

// Columns 1-8 of a command row, shared by both command-list layouts.
void putCommandStart(Plan &plan, int row, int number, const COMMAND &c)
{
    plan.put(Sheet::CommandList, row, 1, std::to_string(number));
    plan.put(Sheet::CommandList, row, 2, shownValue(c.slaveAddress));
    plan.put(Sheet::CommandList, row, 3, c.functionCode);
    plan.put(Sheet::CommandList, row, 4, shownValue(c.startAddress));
    plan.put(Sheet::CommandList, row, 5, shownValue(c.quantity));
    plan.put(Sheet::CommandList, row, 6, shownValue(c.byteCount));
    plan.put(Sheet::CommandList, row, 7, withHexSuffix(c.mappingAddress));
    plan.put(Sheet::CommandList, row, 8, c.mappingBit);
}

// Puts `values` into row `row` of `sheet` from column `first` on.
void putRow(Plan &plan, Sheet sheet, int row, int first, std::initializer_list<std::string> values)
{
    int column = first;
    for (const std::string &value : values)
        plan.put(sheet, row, column++, value);
}

// ---- the PROFIBUS/Modbus gateway's three layouts ---------------------------------------------

void planProfibusModbus(const ConfigStore &store, ExportLayout layout, Plan &plan)
{
    const CONFIG &s = store.subnet(0);
    const FIELDBUS &fb = store.fieldbus;
    const bool user = layout == ExportLayout::UniversalFormat;
    const bool master = layout == ExportLayout::MasterFormat;

    plan.put(Sheet::Fieldbus, 2, 1, text(StrId::FieldbusProfibus));
    plan.put(Sheet::Fieldbus, 2, 2,
             text(profileOf(store).hardwareConfigModel && !user ? StrId::ExportButtonSet : StrId::ExportRotarySwitch));
    plan.put(Sheet::Fieldbus, 2, 3, text(StrId::ExportSelfAdapting));
    plan.put(Sheet::Fieldbus, 2, 4, fb.inputSize);
    plan.put(Sheet::Fieldbus, 2, 5, fb.outputSize);
    if (user)
        plan.put(Sheet::Fieldbus, 2, 6, s.inputLengthPrefix);
    if (profileOf(store).hardwareConfigModel) {
        plan.put(Sheet::Fieldbus, 2, 4, text(StrId::GridSetByHardwareConfig));
        plan.put(Sheet::Fieldbus, 2, 5, text(StrId::GridSetByHardwareConfig));
        if (master) {
            plan.put(Sheet::Fieldbus, 2, 6, s.timeoutAction);
            plan.put(Sheet::Fieldbus, 2, 7, s.timeoutCount);
        }
    }

    if (master) {
        putRow(plan, Sheet::Subnet, 2, 1,
               {s.protocol, s.masterBaud, s.masterDataBits, s.masterParity, s.masterStopBits, s.masterMode,
                shownValue(s.responseTimeout), shownValue(s.pollDelay), s.outputMode, shownValue(s.scanRatio),
                s.commandStatus, s.commInterface, s.charIntervalSend, s.charIntervalReceive});
        for (int i = 0; i < commandsOf(s); ++i) {
            const COMMAND &c = s.commands[static_cast<std::size_t>(i)];
            putCommandStart(plan, i + 2, i + 1, c);
            plan.put(Sheet::CommandList, i + 2, 9, c.dataFormat);
            plan.put(Sheet::CommandList, i + 2, 10, c.scanType);
        }
    } else if (user) {
        putRow(plan, Sheet::Subnet, 2, 1,
               {s.protocol, s.userBaud, s.userDataBits, s.userParity, s.userStopBits, s.frameType, s.charTimeout,
                s.frameLength, s.autoSend, s.autoSendPeriod, s.crcCheck, s.commInterface, s.charIntervalSend,
                s.charIntervalReceive});
    } else {
        putRow(plan, Sheet::Subnet, 2, 1,
               {s.protocol, s.slaveBaud, s.slaveDataBits, s.slaveParity, s.slaveStopBits, s.ownAddress, s.slaveMode,
                s.commInterface, s.charIntervalSend, s.charIntervalReceive});
    }
}

// ---- every other type ------------------------------------------------------------------------

void planStandardFieldbus(const ConfigStore &store, Plan &plan)
{
    const FIELDBUS &fb = store.fieldbus;
    const CONFIG &s = store.subnet(0);
    const std::string &byHardware = text(StrId::GridSetByHardwareConfig);
    const std::uint32_t type = store.gatewayType;
    const ModelProfile model = profileOf(store);
    auto at = [&](int row, int column, std::string value) { plan.put(Sheet::Fieldbus, row, column, std::move(value)); };

    if (model.fieldbus == FieldbusKind::DeviceNet) {
        putRow(plan, Sheet::Fieldbus, 2, 1,
               {text(StrId::FieldbusDeviceNet), shownValue(fb.deviceNetAddress), fb.deviceNetBaud, fb.inputSize,
                fb.outputSize});
    } else if (model.plainProfibus) {
        at(2, 1, text(StrId::FieldbusProfibus));
        at(2, 4, fb.inputSize);
        at(2, 5, fb.outputSize);
        if (model.faultResetModel) {
            at(2, 4, byHardware);
            at(2, 5, byHardware);
            at(1, 6, text(StrId::GridDoubleFaultReset));
            at(2, 6, s.doubleFaultReset);
        } else if (model.configDataModel) {
            at(2, 6, fb.profibusConfigMode);
            at(2, 7, fb.profibusConfigData);
        }
    } else if (isEthernetType(type)) {
        at(2, 1, text(StrId::FieldbusEtherNetIp));
        putRow(plan, Sheet::Fieldbus, 1, 2,
               {text(StrId::GridAssignIpMode), text(StrId::GridIpAddress), text(StrId::GridSubnetMask),
                text(StrId::GridGatewayAddress), text(StrId::GridDns1), text(StrId::GridDns2)});
        putRow(plan, Sheet::Fieldbus, 2, 2,
               {fb.ipAssignMode, fb.ipAddress, fb.subnetMask, fb.gatewayAddress, fb.dns1, fb.dns2});
    } else if (isPresetProfibusType(type)) {
        putRow(plan, Sheet::Fieldbus, 2, 1,
               {text(StrId::FieldbusProfibus), text(StrId::ExportRotarySwitch), text(StrId::ExportSelfAdapting),
                byHardware, byHardware});
        if (model.preset == PresetProtocol::UserConfig) {
            at(1, 6, text(StrId::GridInputLengthPrefix));
            at(2, 6, s.inputLengthPrefix);
            at(1, 7, std::string());
        }
    }
}

void planStandardSubnets(const ConfigStore &store, Plan &plan)
{
    const std::uint32_t type = store.gatewayType;
    const int subnets = subnetCountOf(type);
    if (isEthernetType(type))
        plan.put(Sheet::Subnet, 1, 1, text(StrId::TreeSubnet));
    const bool interfaces = profileOf(store).interfaceModel && !isEthernetType(type);
    if (interfaces) {
        plan.put(Sheet::Subnet, 1, 14, text(StrId::GridCommInterface));
        plan.put(Sheet::Subnet, 1, 15, text(StrId::GridDebugInterface));
    }
    for (int i = 0; i < subnets; ++i) {
        const CONFIG &s = store.subnet(i);
        const int row = i + 2;
        plan.put(Sheet::Subnet, row, 1, std::to_string(i + 1));
        plan.put(Sheet::Subnet, row, 2, s.protocol);
        if (hasProtocol(s, StrId::ProtocolModbusMaster)) {
            putRow(plan, Sheet::Subnet, row, 3,
                   {s.masterBaud, s.masterDataBits, s.masterParity, s.masterStopBits});
            putRow(plan, Sheet::Subnet, row, 8,
                   {s.masterMode, shownValue(s.responseTimeout), shownValue(s.pollDelay), s.outputMode,
                    shownValue(s.pulseTime), shownValue(s.scanRatio)});
        } else if (hasProtocol(s, StrId::ProtocolModbusSlave)) {
            putRow(plan, Sheet::Subnet, row, 3,
                   {s.slaveBaud, s.slaveDataBits, s.slaveParity, s.slaveStopBits, s.ownAddress, s.slaveMode});
        } else if (hasProtocol(s, StrId::ProtocolUserConfig)) {
            putRow(plan, Sheet::Subnet, row, 3, {s.userBaud, s.userDataBits, s.userParity, s.userStopBits});
        } else if (hasProtocol(s, StrId::ProtocolSelfDefining)) {
            putRow(plan, Sheet::Subnet, row, 3, {s.customBaud, s.customDataBits, s.customParity, s.customStopBits});
        }
        if (interfaces) {
            plan.put(Sheet::Subnet, row, 14, s.commInterface);
            plan.put(Sheet::Subnet, row, 15, s.commInterface == "RS485" ? "RS232" : "RS485");
        }
    }
}

void planStandardCommands(const ConfigStore &store, Plan &plan)
{
    if (isEthernetType(store.gatewayType))
        plan.put(Sheet::CommandList, 1, 10, text(StrId::TreeSubnet));
    int number = 0;
    for (int i = 0; i < kSubnetCount; ++i) {
        const CONFIG &s = store.subnet(i);
        for (int k = 0; k < commandsOf(s); ++k) {
            const COMMAND &c = s.commands[static_cast<std::size_t>(k)];
            ++number;
            putCommandStart(plan, number + 1, number, c);
            putRow(plan, Sheet::CommandList, number + 1, 9, {c.dataFormat, c.checkType, c.scanType});
        }
    }
}

// ---- headings ----------------------------------------------------------------------------------

struct SheetHeadings {
    Sheet sheet;
    std::initializer_list<StrId> columns; // column 1 first
};

const SheetHeadings kMasterHeadings[] = {
    {Sheet::Fieldbus, {StrId::ExportHeadFieldbusType, StrId::ExportHeadStationAddress, StrId::ExportHeadBaudRate,
      StrId::ExportHeadInputBytes, StrId::ExportHeadOutputBytes, StrId::GridTimeoutAction, StrId::GridTimeoutCount}},
    {Sheet::Subnet,
     {StrId::GridTypeOfProtocol, StrId::ExportHeadBaudRate, StrId::GridDataBits, StrId::GridParityMode,
      StrId::GridStopBit, StrId::GridCommunicationMode, StrId::GridResponseTimeout, StrId::GridPollDelay,
      StrId::GridOutputMode, StrId::GridScanRatio, StrId::GridCommandStatus, StrId::GridCommInterface,
      StrId::GridCharIntervalSend, StrId::GridCharIntervalReceive}},
    {Sheet::CommandList,
     {StrId::ExportHeadNumber, StrId::GridSlaveAddress, StrId::GridFunctionalCodes, StrId::GridStartingAddress,
      StrId::GridNumberOfRegister, StrId::GridNumberOfByte, StrId::GridMappingAddress, StrId::GridMappingBit,
      StrId::ExportHeadDataFormat, StrId::GridTypeOfScan}},
};

const SheetHeadings kSlaveHeadings[] = {
    {Sheet::Fieldbus, {StrId::ExportHeadFieldbusType, StrId::ExportHeadStationAddress, StrId::ExportHeadBaudRate,
      StrId::ExportHeadInputBytes, StrId::ExportHeadOutputBytes}},
    {Sheet::Subnet,
     {StrId::GridTypeOfProtocol, StrId::ExportHeadBaudRate, StrId::GridDataBits, StrId::GridParityMode,
      StrId::GridStopBit, StrId::GridSlaveAddress, StrId::GridCommunicationMode, StrId::GridCommInterface,
      StrId::GridCharIntervalSend, StrId::GridCharIntervalReceive}},
};

const SheetHeadings kUniversalHeadings[] = {
    {Sheet::Fieldbus, {StrId::ExportHeadFieldbusType, StrId::ExportHeadStationAddress, StrId::ExportHeadBaudRate,
      StrId::ExportHeadInputBytes, StrId::ExportHeadOutputBytes, StrId::GridInputLengthPrefix}},
    {Sheet::Subnet,
     {StrId::GridTypeOfProtocol, StrId::ExportHeadBaudRate, StrId::GridDataBits, StrId::GridParityMode,
      StrId::GridStopBit, StrId::GridFrameType, StrId::GridCharTimeout, StrId::GridFrameLength, StrId::GridAutoSend,
      StrId::GridAutoSendPeriod, StrId::GridCrcCheck, StrId::GridCommInterface, StrId::GridCharIntervalSend,
      StrId::GridCharIntervalReceive}},
};

const SheetHeadings kStandardHeadings[] = {
    {Sheet::Fieldbus, {StrId::ExportHeadFieldbusType, StrId::ExportHeadStationAddress, StrId::ExportHeadBaudRate,
      StrId::ExportHeadInputBytes, StrId::ExportHeadOutputBytes, StrId::GridProfibusConfigMode, StrId::GridProfibusConfigData}},
    {Sheet::Subnet,
     {StrId::ExportHeadNumber, StrId::GridTypeOfProtocol, StrId::ExportHeadBaudRate, StrId::GridDataBits,
      StrId::GridParityMode, StrId::GridStopBit, StrId::GridSlaveAddress, StrId::GridCommunicationMode,
      StrId::GridResponseTimeout, StrId::GridPollDelay, StrId::GridOutputMode, StrId::GridOutputPulse,
      StrId::GridScanRatio}},
    {Sheet::CommandList,
     {StrId::ExportHeadNumber, StrId::GridSlaveAddress, StrId::GridFunctionalCodes, StrId::GridStartingAddress,
      StrId::GridNumberOfRegister, StrId::GridNumberOfByte, StrId::GridMappingAddress, StrId::GridMappingBit,
      StrId::ExportHeadDataFormat, StrId::GridTypeOfCheck, StrId::GridTypeOfScan}},
};

template <std::size_t N> std::vector<Cell> headingCells(const SheetHeadings (&sheets)[N])
{
    std::vector<Cell> cells;
    for (const SheetHeadings &sheet : sheets) {
        int column = 1;
        for (StrId id : sheet.columns)
            cells.push_back({sheet.sheet, 1, column++, text(id)});
    }
    return cells;
}

} // namespace

ExportLayout exportLayoutOf(const ConfigStore &store)
{
    if (!profileOf(store).profibusModbus)
        return ExportLayout::Standard;
    const CONFIG &s = store.subnet(0);
    if (hasProtocol(s, StrId::ProtocolModbusMaster))
        return ExportLayout::MasterFormat;
    if (hasProtocol(s, StrId::ProtocolModbusSlave))
        return ExportLayout::SlaveFormat;
    if (hasProtocol(s, StrId::ProtocolUserConfig))
        return ExportLayout::UniversalFormat;
    return ExportLayout::None;
}

std::vector<Cell> layoutHeadings(ExportLayout layout)
{
    switch (layout) {
    case ExportLayout::MasterFormat:
        return headingCells(kMasterHeadings);
    case ExportLayout::SlaveFormat:
        return headingCells(kSlaveHeadings);
    case ExportLayout::UniversalFormat:
        return headingCells(kUniversalHeadings);
    case ExportLayout::Standard:
        return headingCells(kStandardHeadings);
    case ExportLayout::None:
        break;
    }
    return {};
}

std::vector<Cell> planCells(const ConfigStore &store)
{
    Plan plan;
    const ExportLayout layout = exportLayoutOf(store);
    if (layout == ExportLayout::Standard) {
        planStandardCommands(store, plan);
        planStandardFieldbus(store, plan);
        planStandardSubnets(store, plan);
    } else if (layout != ExportLayout::None) {
        planProfibusModbus(store, layout, plan);
    }
    return plan.take();
}

std::vector<Cell> workbookCells(const ConfigStore &store)
{
    const ExportLayout layout = exportLayoutOf(store);
    std::map<std::tuple<Sheet, int, int>, std::string> placed;
    for (std::vector<Cell> part : {layoutHeadings(layout), planCells(store)})
        for (Cell &cell : part)
            placed[{cell.sheet, cell.row, cell.column}] = std::move(cell.text);
    std::vector<Cell> cells;
    cells.reserve(placed.size());
    for (auto &[place, value] : placed)
        if (!value.empty())
            cells.push_back({std::get<0>(place), std::get<1>(place), std::get<2>(place), std::move(value)});
    return cells;
}

std::string sheetName(Sheet sheet)
{
    switch (sheet) {
    case Sheet::Fieldbus:
        return text(StrId::ExportSheetFieldbus);
    case Sheet::Subnet:
        return text(StrId::ExportSheetSubnet);
    case Sheet::CommandList:
        break;
    }
    return text(StrId::ExportSheetCommandList);
}

} // namespace tqv
