#include "CellPlan.h"

#include "editor/PropertyGrid.h"
#include "model/ModelProfile.h"
#include "resources/Strings.h"

#include <algorithm>
#include <map>
#include <optional>
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

// ---- what the columns hold ---------------------------------------------------------------------

std::vector<ColumnMeaning> makeColumnMeanings()
{
    using R = ColumnRole;
    using C = CONFIG;
    using F = FIELDBUS;
    using M = COMMAND;
    const Sheet fb = Sheet::Fieldbus;
    const Sheet sn = Sheet::Subnet;
    const Sheet cl = Sheet::CommandList;
    const Sheet nd = Sheet::Nodes;
    return {
        {fb, StrId::ExportHeadFieldbusType, R::Display, {}},
        {fb, StrId::ExportHeadStationAddress, R::Field, {&F::deviceNetAddress}},
        {fb, StrId::ExportHeadBaudRate, R::Field, {&F::deviceNetBaud}},
        {fb, StrId::ExportHeadInputBytes, R::Field, {&F::inputSize}},
        {fb, StrId::ExportHeadOutputBytes, R::Field, {&F::outputSize}},
        {fb, StrId::GridTimeoutAction, R::Field, {&C::timeoutAction}},
        {fb, StrId::GridTimeoutCount, R::Field, {&C::timeoutCount}},
        {fb, StrId::GridInputLengthPrefix, R::Field, {&C::inputLengthPrefix}},
        {fb, StrId::GridDoubleFaultReset, R::Field, {&C::doubleFaultReset}},
        {fb, StrId::GridProfibusConfigMode, R::Field, {&F::profibusConfigMode}},
        {fb, StrId::GridProfibusConfigData, R::Field, {&F::profibusConfigData}},
        {fb, StrId::GridAssignIpMode, R::Field, {&F::ipAssignMode}},
        {fb, StrId::GridIpAddress, R::Field, {&F::ipAddress}},
        {fb, StrId::GridSubnetMask, R::Field, {&F::subnetMask}},
        {fb, StrId::GridGatewayAddress, R::Field, {&F::gatewayAddress}},
        {fb, StrId::GridDns1, R::Field, {&F::dns1}},
        {fb, StrId::GridDns2, R::Field, {&F::dns2}},
        {fb, StrId::ExportHeadGatewayType, R::GatewayType, {}},
        {fb, StrId::ExportHeadModelFlags, R::ModelFlags, {}},

        {sn, StrId::ExportHeadNumber, R::SubnetNumber, {}},
        {sn, StrId::TreeSubnet, R::SubnetNumber, {}},
        {sn, StrId::GridTypeOfProtocol, R::Field, {&C::protocol}},
        {sn, StrId::ExportHeadBaudRate, R::Field, {&C::masterBaud, &C::slaveBaud, &C::userBaud, &C::customBaud}},
        {sn, StrId::GridDataBits, R::Field, {&C::masterDataBits, &C::slaveDataBits, &C::userDataBits, &C::customDataBits}},
        {sn, StrId::GridParityMode, R::Field, {&C::masterParity, &C::slaveParity, &C::userParity, &C::customParity}},
        {sn, StrId::GridStopBit, R::Field, {&C::masterStopBits, &C::slaveStopBits, &C::userStopBits, &C::customStopBits}},
        {sn, StrId::GridSlaveAddress, R::Field, {&C::ownAddress}},
        {sn, StrId::GridCommunicationMode, R::Field, {&C::masterMode, &C::slaveMode}},
        {sn, StrId::GridResponseTimeout, R::Field, {&C::responseTimeout}},
        {sn, StrId::GridPollDelay, R::Field, {&C::pollDelay}},
        {sn, StrId::GridOutputMode, R::Field, {&C::outputMode}},
        {sn, StrId::GridOutputPulse, R::Field, {&C::pulseTime}},
        {sn, StrId::GridScanRatio, R::Field, {&C::scanRatio}},
        {sn, StrId::GridCommandStatus, R::Field, {&C::commandStatus}},
        {sn, StrId::GridCommInterface, R::Field, {&C::commInterface}},
        {sn, StrId::GridDebugInterface, R::Display, {}},
        {sn, StrId::GridCharIntervalSend, R::Field, {&C::charIntervalSend}},
        {sn, StrId::GridCharIntervalReceive, R::Field, {&C::charIntervalReceive}},
        {sn, StrId::GridFrameType, R::Field, {&C::frameType}},
        {sn, StrId::GridCharTimeout, R::Field, {&C::charTimeout}},
        {sn, StrId::GridFrameLength, R::Field, {&C::frameLength}},
        {sn, StrId::GridAutoSend, R::Field, {&C::autoSend}},
        {sn, StrId::GridAutoSendPeriod, R::Field, {&C::autoSendPeriod}},
        {sn, StrId::GridCrcCheck, R::Field, {&C::crcCheck}},
        {sn, StrId::GridStartChar, R::Field, {&C::startChar}},
        {sn, StrId::GridStopChar, R::Field, {&C::stopChar}},

        {cl, StrId::ExportHeadNumber, R::Display, {}},
        {cl, StrId::GridSlaveAddress, R::SlaveAddress, {}},
        {cl, StrId::GridFunctionalCodes, R::FunctionCode, {}},
        {cl, StrId::GridStartingAddress, R::Field, {&M::startAddress}},
        {cl, StrId::GridNumberOfRegister, R::Field, {&M::quantity}},
        {cl, StrId::GridNumberOfByte, R::ByteCount, {}},
        {cl, StrId::GridMappingAddress, R::Field, {&M::mappingAddress}},
        {cl, StrId::GridMappingBit, R::Field, {&M::mappingBit}},
        {cl, StrId::ExportHeadDataFormat, R::Field, {&M::dataFormat}},
        {cl, StrId::GridTypeOfCheck, R::Display, {}},
        {cl, StrId::GridTypeOfScan, R::Field, {&M::scanType}},
        {cl, StrId::ExportHeadSubnet, R::SubnetNumber, {}},
        {cl, StrId::ExportHeadNode, R::NodeNumber, {}},

        {nd, StrId::ExportHeadSubnet, R::SubnetNumber, {}},
        {nd, StrId::ExportHeadNode, R::NodeNumber, {}},
        {nd, StrId::ExportHeadNodeName, R::NodeName, {}},
        {nd, StrId::GridSlaveAddress, R::SlaveAddress, {}},
    };
}

// ---- the lossless part -------------------------------------------------------------------------

// The heading of the column that holds `field` on `sheet`, if any.
std::optional<StrId> headingOfField(Sheet sheet, const FieldRef &field)
{
    for (const ColumnMeaning &m : columnMeanings())
        if (m.sheet == sheet && m.role == ColumnRole::Field &&
            std::find(m.fields.begin(), m.fields.end(), field) != m.fields.end())
            return m.heading;
    return std::nullopt;
}

// What the layout itself shows on a sheet: its cells, and the fields its headings stand for.
class LayoutSheet {
public:
    LayoutSheet(const std::vector<Cell> &layoutCells, Sheet sheet)
    {
        for (const Cell &cell : layoutCells)
            if (cell.sheet == sheet)
                m_cells[{cell.row, cell.column}] = cell.text; // a later cell replaces an earlier one
        for (const auto &[place, heading] : m_cells)
            for (const ColumnMeaning &m : columnMeanings())
                if (place.first == 1 && m.sheet == sheet && m.role == ColumnRole::Field && text(m.heading) == heading)
                    m_fields.emplace_back(place.second, &m.fields);
    }

    // Whether `row` shows `value` of `field` in a layout column (an empty value shows as a blank).
    // Some grids take a value in a row whose layout column stays blank for the protocol.
    bool shows(int row, const FieldRef &field, const std::string &value) const
    {
        for (const auto &[column, fields] : m_fields) {
            if (std::find(fields->begin(), fields->end(), field) == fields->end())
                continue;
            const auto cell = m_cells.find({row, column});
            if (value.empty() || (cell != m_cells.end() && !cell->second.empty()))
                return true;
        }
        return false;
    }

private:
    std::map<std::pair<int, int>, std::string> m_cells;
    std::vector<std::pair<int, const std::vector<FieldRef> *>> m_fields;
};

// The extra columns of one sheet: a column per heading, in the order they first occur.
class ExtraColumns {
public:
    ExtraColumns(Sheet sheet, int first, LayoutSheet layout) : m_sheet(sheet), m_next(first), m_layout(std::move(layout))
    {
    }

    // Every value `item`'s grid lets the user set and the layout leaves out, into row `row`.
    void putItem(Plan &plan, const ConfigStore &store, const ItemRef &item, int row)
    {
        const bool pulse = pulseEditableFor(store, item);
        for (int r = 0; r < kSubnetRowCount; ++r) {
            const FieldRef field = sheetField(describeCell(store, item, r, pulse));
            const std::string *value = fieldOf(store, item, field);
            const std::optional<StrId> heading = headingOfField(m_sheet, field);
            if (!value || !heading || m_layout.shows(row, field, shownValue(*value)))
                continue;
            auto [at, added] = m_columns.try_emplace(*heading, m_next);
            if (added)
                plan.put(m_sheet, 1, m_next++, text(*heading));
            plan.put(m_sheet, row, at->second, shownValue(*value));
        }
    }

private:
    Sheet m_sheet;
    int m_next;
    LayoutSheet m_layout;
    std::map<StrId, int> m_columns;
};

// The rows the layout gives the subnets on the Subnet sheet: subnet index -> row.
std::vector<std::pair<int, int>> subnetRows(const ConfigStore &store, ExportLayout layout)
{
    if (layout != ExportLayout::Standard)
        return {{0, 2}};
    std::vector<std::pair<int, int>> rows;
    for (int i = 0; i < subnetCountOf(store.gatewayType); ++i)
        rows.emplace_back(i, i + 2);
    return rows;
}

void planLossless(const ConfigStore &store, ExportLayout layout, const std::vector<Cell> &layoutCells, Plan &plan)
{
    // Fieldbus: the model, then the fieldbus item's own values.
    const int model = firstLosslessColumn(layout, Sheet::Fieldbus);
    plan.put(Sheet::Fieldbus, 1, model, text(StrId::ExportHeadGatewayType));
    plan.put(Sheet::Fieldbus, 1, model + 1, text(StrId::ExportHeadModelFlags));
    plan.put(Sheet::Fieldbus, 2, model, std::to_string(store.gatewayType));
    plan.put(Sheet::Fieldbus, 2, model + 1, modelFlagsText(store));
    if (hasFieldbusItem(store.gatewayType)) {
        ExtraColumns fieldbus(Sheet::Fieldbus, model + 2, LayoutSheet(layoutCells, Sheet::Fieldbus));
        fieldbus.putItem(plan, store, ItemRef{ItemKind::Fieldbus, -1, 0}, 2);
    }

    ExtraColumns subnets(Sheet::Subnet, firstLosslessColumn(layout, Sheet::Subnet),
                         LayoutSheet(layoutCells, Sheet::Subnet));
    for (const auto &[subnet, row] : subnetRows(store, layout))
        subnets.putItem(plan, store, ItemRef{ItemKind::Subnet, subnet, 0}, row);

    // Command List: each command's subnet and node, on the rows the layout gives the commands.
    if (layout == ExportLayout::Standard || layout == ExportLayout::MasterFormat) {
        const int column = firstLosslessColumn(layout, Sheet::CommandList);
        plan.put(Sheet::CommandList, 1, column, text(StrId::ExportHeadSubnet));
        plan.put(Sheet::CommandList, 1, column + 1, text(StrId::ExportHeadNode));
        const int subnetsListed = layout == ExportLayout::Standard ? kSubnetCount : 1;
        int row = 2;
        for (int i = 0; i < subnetsListed; ++i)
            for (int k = 0; k < commandsOf(store.subnet(i)); ++k, ++row) {
                plan.put(Sheet::CommandList, row, column, std::to_string(i + 1));
                plan.put(Sheet::CommandList, row, column + 1,
                         std::to_string(store.subnet(i).commands[static_cast<std::size_t>(k)].nodeNumber));
            }
    }

    // Nodes: every node of every subnet the type has, commands or not.
    putRow(plan, Sheet::Nodes, 1, 1,
           {text(StrId::ExportHeadSubnet), text(StrId::ExportHeadNode), text(StrId::ExportHeadNodeName),
            text(StrId::GridSlaveAddress)});
    int row = 2;
    for (int i = 0; i < subnetCountOf(store.gatewayType); ++i) {
        const CONFIG &s = store.subnet(i);
        for (int n = 1; n <= std::clamp(s.nodeCount, 0, kMaxNodes); ++n, ++row) {
            const NODE &node = s.nodes[static_cast<std::size_t>(n - 1)];
            putRow(plan, Sheet::Nodes, row, 1, {std::to_string(i + 1), std::to_string(n), node.name, shownValue(node.address)});
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

std::vector<Cell> losslessCells(const ConfigStore &store)
{
    const ExportLayout layout = exportLayoutOf(store);
    if (layout == ExportLayout::None)
        return {};
    std::vector<Cell> layoutCells = layoutHeadings(layout);
    for (Cell &cell : planCells(store))
        layoutCells.push_back(std::move(cell));
    Plan plan;
    planLossless(store, layout, layoutCells, plan);
    return plan.take();
}

int firstLosslessColumn(ExportLayout layout, Sheet sheet)
{
    switch (sheet) {
    case Sheet::Fieldbus:
        return 8;
    case Sheet::Subnet:
        return layout == ExportLayout::Standard ? 16 : 15;
    case Sheet::CommandList:
        return layout == ExportLayout::Standard ? 12 : 11;
    case Sheet::Nodes:
        break;
    }
    return 1;
}

FieldRef sheetField(const CellInfo &cell)
{
    switch (cell.editor) {
    case EditorKind::List:
        return cell.pick.field;
    case EditorKind::EditBox:
        return cell.edit.field;
    case EditorKind::None:
        break;
    }
    const bool shown = !std::holds_alternative<std::monostate>(cell.field);
    return shown && cell.edit.field == cell.field && cell.edit.check != TextCheck::None ? cell.field : FieldRef{};
}

const std::vector<ColumnMeaning> &columnMeanings()
{
    static const std::vector<ColumnMeaning> kMeanings = makeColumnMeanings();
    return kMeanings;
}

std::string modelFlagsText(const ConfigStore &store)
{
    std::string out;
    for (int n = 1; n <= 7; ++n)
        if (store.modelFlag(n))
            out += (out.empty() ? "" : " ") + std::to_string(n);
    return out.empty() ? "0" : out;
}

std::vector<Cell> workbookCells(const ConfigStore &store)
{
    const ExportLayout layout = exportLayoutOf(store);
    std::map<std::tuple<Sheet, int, int>, std::string> placed;
    for (std::vector<Cell> part : {layoutHeadings(layout), planCells(store), losslessCells(store)})
        for (Cell &cell : part)
            placed[{cell.sheet, cell.row, cell.column}] = std::move(cell.text);
    std::vector<Cell> cells;
    cells.reserve(placed.size());
    for (auto &[place, value] : placed)
        if (!value.empty())
            cells.push_back({std::get<0>(place), std::get<1>(place), std::get<2>(place), std::move(value)});
    return cells;
}

std::string sheetName(Sheet sheet) { return sheetName(sheet, currentLanguage()); }

std::string sheetName(Sheet sheet, Language language)
{
    switch (sheet) {
    case Sheet::Fieldbus:
        return text(StrId::ExportSheetFieldbus, language);
    case Sheet::Subnet:
        return text(StrId::ExportSheetSubnet, language);
    case Sheet::Nodes:
        return text(StrId::ExportSheetNodes, language);
    case Sheet::CommandList:
        break;
    }
    return text(StrId::ExportSheetCommandList, language);
}

} // namespace tqv
