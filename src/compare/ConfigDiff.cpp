#include "ConfigDiff.h"
#include "editor/GridLayout.h"
#include "model/ModelProfile.h"

#include "ethernet/ConfigImage.h"
#include "model/MappingValues.h"
#include "model/DerivedValues.h"
#include "resources/Strings.h"
#include "serial/DownloadProcedure.h"
#include "serial/FrameBuilder.h"
#include "serial/FrameBytes.h"
#include "serial/ReplyDecoder.h"
#include "serial/UploadProcedure.h"

#include <algorithm>
#include <string_view>
#include <type_traits>

namespace tqv {

namespace {

// ---- what a serial transfer carries ---------------------------------------------------------

// The bytes of a frame from `from` on, as many as `count` (fewer when the frame is shorter),
// the sum left out.
template <std::size_t N>
void copyFrameBytes(const Frame &frame, std::size_t from, std::array<std::uint8_t, N> &to, std::size_t count)
{
    const std::size_t end = frame.empty() ? 0 : frame.size() - 1; // the last byte is the sum
    for (std::size_t i = 0; i < count && i < N && from + i < end; ++i)
        to[i] = static_cast<std::uint8_t>(frame[from + i]);
}

// What the replies of an upload would hold after a download of `written`: the download's own
// frames, filed the way the upload files its replies (the gateway keeps what it is sent).
UploadStore storeOfDownload(ConfigStore &written, const ReplyContext &readAs, int firmware)
{
    const ConfigFrames frames = buildConfigFrames(written); // byte counts as the download computes them
    UploadStore u;
    const std::uint32_t reported = reportedTypeOf(profileOf(written).serialIdentityType);
    u.gatewayTypeData[0] = static_cast<std::uint8_t>(reported);
    u.gatewayTypeData[1] = static_cast<std::uint8_t>(std::clamp(firmware / 10, 0, 255));
    u.gatewayTypeData[2] = static_cast<std::uint8_t>(firmware % 10);

    if (downloadWritesFieldbus(written)) {
        if (isDeviceNetType(written.gatewayType)) {
            copyFrameBytes(frames.writeDeviceNet, 2, u.deviceNetParameters, kDeviceNetParameterSize);
        } else {
            copyFrameBytes(frames.writeProfibus, 2, u.profibusParameters, kProfibusParameterSize);
            // A reply read with its length checked has no third byte.
            if (!uncheckedProfibusReply(readAs))
                u.profibusParameters[2] = 0;
        }
    }
    const std::size_t subnetBytes = extendedSubnetReply(readAs) ? kSubnetParameterSize : kShortSubnetParameterSize;
    for (int k = 0; k < serialSubnetCountOf(written.gatewayType); ++k) {
        const auto index = static_cast<std::size_t>(k);
        copyFrameBytes(buildWriteSubnet(written, k), kSubnetFrameFieldOffset, u.subnetParameters[index], subnetBytes);
        if (!downloadWritesCommands(written.subnet(k)))
            continue;
        const int count = usedCommands(written.subnet(k));
        u.commandCounts[index] = count;
        for (int i = 0; i < count; ++i)
            copyFrameBytes(buildWriteCommand(written, k, i), kCommandFrameFieldOffset,
                           u.commandRecords[index][static_cast<std::size_t>(i)], kCommandRecordSize);
    }
    return u;
}

ConfigStore serialForm(const ConfigStore &configuration, const ConfigStore &project, int firmware)
{
    ConfigStore written = configuration;
    const UploadStore replies = storeOfDownload(written, ReplyContext::of(project), firmware);

    // The upload builds its configuration on the open one's type and flags, reset to defaults.
    ConfigStore read = project;
    read.resetToDefaults();
    const TransferExtras writes = transferExtrasOf(written, firmware);
    const TransferExtras reads = transferExtrasOf(project, firmware);
    if (writes.timeoutAction && reads.timeoutAction)
        applyTimeoutActionValue(FrameView(buildWriteTimeoutAction(written)).at(2), profileOf(project).faultResetModel,
                                read.subnet(0));
    if (writes.profibusConfig && reads.profibusConfig) {
        const Frame frame = buildWriteProfibusConfigData(written);
        const FrameView view(frame);
        std::vector<std::uint8_t> data;
        const std::size_t count = std::min<std::size_t>(view.at(2), kMaxProfibusConfigBytes);
        for (std::size_t i = 0; i < count; ++i)
            data.push_back(view.at(3 + i));
        applyProfibusConfigData(data, read.fieldbus);
    }
    applyUploadStore(replies, read);
    if (writes.charIntervals && reads.charIntervals) {
        const Frame frame = buildWriteCharIntervals(written);
        const FrameView view(frame);
        applyCharIntervals(CharIntervals{view.be16(2), view.be16(4)}, read.subnet(0));
    }
    return read;
}

ConfigStore ethernetForm(const ConfigStore &configuration, const ConfigStore &project)
{
    const Result<std::string> image = buildConfigImage(configuration);
    if (!image)
        return configuration;
    ConfigStore read = project;
    read.resetToDefaults();
    if (!applyConfigImage(image.value(), read).ok())
        return configuration;
    return read;
}

// ---- naming ---------------------------------------------------------------------------------

std::string joined(std::initializer_list<std::string> parts)
{
    std::string out;
    for (const std::string &part : parts) {
        if (!out.empty())
            out += text(StrId::DiffPathSeparator);
        out += part;
    }
    return out;
}

std::string subnetName(int subnet) { return formatText(StrId::DiffSubnet, {std::to_string(subnet + 1)}); }

template <typename Record, std::size_t N>
std::string summary(const Record &record, const std::array<TextField<Record>, N> &fields, std::size_t count)
{
    std::string out;
    for (std::size_t i = 0; i < count && i < N; ++i) {
        if (!out.empty())
            out += ", ";
        out += std::string(fields[i].name) + "=" + record.*fields[i].member;
    }
    return out;
}

// A node by its address and name; a command by the fields that say what it asks of whom.
std::string nodeSummary(const NODE &node) { return summary(node, kNodeFields, kNodeFields.size()); }
std::string commandSummary(const COMMAND &command) { return summary(command, kCommandFields, 4); }

template <typename Record, std::size_t N>
std::string Record::*memberNamed(const std::array<TextField<Record>, N> &fields, const std::string &name)
{
    for (const auto &field : fields)
        if (name == field.name)
            return field.member;
    return nullptr;
}

// Row labels of the fields for where neither configuration's grid shows them at the moment (another
// protocol's fields, another model's).
constexpr std::pair<std::string_view, StrId> kFallbackLabels[] = {
    {"fieldbusType", StrId::GridTypeOfProtocol}, {"deviceNetAddress", StrId::GridDeviceNetAddress},
    {"deviceNetBaud", StrId::GridDeviceNetBaud}, {"inputSize", StrId::GridNumberOfBytes},
    {"outputSize", StrId::GridNumberOfBytes}, {"profibusConfigMode", StrId::GridProfibusConfigMode},
    {"profibusConfigData", StrId::GridProfibusConfigData}, {"ipAssignMode", StrId::GridAssignIpMode},
    {"ipAddress", StrId::GridIpAddress}, {"subnetMask", StrId::GridSubnetMask},
    {"gatewayAddress", StrId::GridGatewayAddress}, {"dns1", StrId::GridDns1}, {"dns2", StrId::GridDns2},
    {"doubleFaultReset", StrId::GridDoubleFaultReset}, {"protocol", StrId::GridProtocolsSelect},
    {"masterBaud", StrId::GridModbusBaudRate}, {"slaveBaud", StrId::GridModbusBaudRate},
    {"userBaud", StrId::GridModbusBaudRate}, {"customBaud", StrId::GridModbusBaudRate},
    {"masterDataBits", StrId::GridDataBits}, {"slaveDataBits", StrId::GridDataBits},
    {"userDataBits", StrId::GridDataBits}, {"customDataBits", StrId::GridDataBits},
    {"masterParity", StrId::GridParityMode}, {"slaveParity", StrId::GridParityMode},
    {"userParity", StrId::GridParityMode}, {"customParity", StrId::GridParityMode},
    {"masterStopBits", StrId::GridStopBit}, {"slaveStopBits", StrId::GridStopBit},
    {"userStopBits", StrId::GridStopBit}, {"customStopBits", StrId::GridStopBit},
    {"masterMode", StrId::GridCommunicationMode}, {"slaveMode", StrId::GridCommunicationMode},
    {"responseTimeout", StrId::GridResponseTimeout}, {"pollDelay", StrId::GridPollDelay},
    {"outputMode", StrId::GridOutputMode}, {"pulseTime", StrId::GridOutputPulse},
    {"scanRatio", StrId::GridScanRatio}, {"commandStatus", StrId::GridCommandStatus},
    {"timeoutAction", StrId::GridTimeoutAction}, {"timeoutCount", StrId::GridTimeoutCount},
    {"charIntervalSend", StrId::GridCharIntervalSend}, {"charIntervalReceive", StrId::GridCharIntervalReceive},
    {"ownAddress", StrId::GridSlaveAddress}, {"frameType", StrId::GridFrameType},
    {"charTimeout", StrId::GridCharTimeout}, {"frameLength", StrId::GridFrameLength},
    {"autoSend", StrId::GridAutoSend}, {"autoSendPeriod", StrId::GridAutoSendPeriod},
    {"crcCheck", StrId::GridCrcCheck}, {"commInterface", StrId::GridCommInterface},
    {"debugInterface", StrId::GridDebugInterface}, {"inputLengthPrefix", StrId::GridInputLengthPrefix},
    {"startChar", StrId::GridStartChar}, {"stopChar", StrId::GridStopChar},
    {"address", StrId::GridSlaveAddressRange}, {"name", StrId::DiffLabelNodeName},
    {"slaveAddress", StrId::GridSlaveAddressRange}, {"functionCode", StrId::GridFunctionalCodes},
    {"startAddress", StrId::GridStartingAddress}, {"quantity", StrId::GridNumberOfRegister},
    {"mappingAddress", StrId::GridMappingAddress}, {"mappingBit", StrId::GridMappingBit},
    {"byteCount", StrId::GridNumberOfByte}, {"dataFormat", StrId::GridDataFilter},
    {"checkType", StrId::GridTypeOfCheck}, {"scanType", StrId::GridTypeOfScan},
    {"nodeNumber", StrId::DiffLabelNodeNumber},
};

// The row label of `field` of `item`: the grid of the project, else of the other configuration
// (a subnet 1 field may sit on the fieldbus item's grid), else the field's usual label.
std::string rowLabel(const ConfigStore &project, const ConfigStore &other, ItemRef item, const FieldRef &field,
                     std::string_view name)
{
    std::vector<ItemRef> items{item};
    if (item.kind == ItemKind::Subnet && item.subnet == 0)
        items.push_back({ItemKind::Fieldbus, -1, 0});
    for (const ConfigStore *store : {&project, &other})
        for (const ItemRef &at : items)
            if (std::string label = rowLabelOf(*store, at, field); !label.empty())
                return label;
    for (const auto &[fieldName, label] : kFallbackLabels)
        if (fieldName == name)
            return text(label);
    return std::string(name);
}

template <typename Record> ItemKind itemKindOf()
{
    if constexpr (std::is_same_v<Record, FIELDBUS>)
        return ItemKind::Fieldbus;
    else if constexpr (std::is_same_v<Record, CONFIG>)
        return ItemKind::Subnet;
    else if constexpr (std::is_same_v<Record, NODE>)
        return ItemKind::Node;
    else
        return ItemKind::Command;
}

constexpr const char *kNodeNumberField = "nodeNumber";
constexpr const char *kGatewayTypeField = "gatewayType";
constexpr const char *kModelFlagField = "modelFlag";

// ---- comparing ------------------------------------------------------------------------------

class Comparison {
public:
    Comparison(const ConfigStore &project, const ConfigStore &other) : m_project(project), m_other(other) {}

    std::vector<Difference> differences;
    // A transfer carries no derived value: the reading side derives it from what it carried, so
    // it differs only where its sources do, and those are what can be taken.
    bool derivedValues = true;

    // `label`: the path as the window shows it; the path itself when empty.
    void changed(std::string path, std::string project, std::string other, DifferenceAt at, std::string label = {})
    {
        if (project == other)
            return;
        if (label.empty())
            label = path;
        differences.push_back({DifferenceKind::Changed, std::move(path), std::move(label), std::move(project),
                               std::move(other), std::move(at)});
    }

    void entry(DifferenceKind kind, std::string path, std::string project, std::string other, DifferenceAt at)
    {
        std::string label = path;
        differences.push_back({kind, std::move(path), std::move(label), std::move(project), std::move(other),
                               std::move(at)});
    }

    // `pathOf(part)` joins the item's name and a last part, the field's name or its row label.
    template <typename Record, std::size_t N, typename PathOf>
    void fields(const Record &a, const Record &b, const std::array<TextField<Record>, N> &table, PathOf pathOf,
                DifferenceAt at)
    {
        const ItemRef item{itemKindOf<Record>(), at.subnet, at.index + 1};
        for (const auto &field : table) {
            if constexpr (std::is_same_v<Record, COMMAND>)
                if (!derivedValues && isDerivedCommandField(field.name))
                    continue;
            if (a.*field.member == b.*field.member)
                continue;
            at.field = field.name;
            changed(pathOf(field.name), a.*field.member, b.*field.member, at,
                    pathOf(rowLabel(m_project, m_other, item, FieldRef{field.member}, field.name)));
        }
    }

    void store(const ConfigStore &a, const ConfigStore &b)
    {
        changed(kGatewayTypeField, std::to_string(a.gatewayType), std::to_string(b.gatewayType),
                {DifferenceAt::Scope::Store, -1, -1, kGatewayTypeField}, text(StrId::DiffLabelGatewayType));
        for (int n = 1; n <= 7; ++n) {
            const std::string name = kModelFlagField + std::to_string(n);
            changed(name, a.modelFlag(n) ? "1" : "0", b.modelFlag(n) ? "1" : "0",
                    {DifferenceAt::Scope::Store, -1, -1, name}, formatText(StrId::DiffLabelModelFlag, {std::to_string(n)}));
        }
        // The path names the field as `fieldbus.name`; the label as the subnets' are, by parts.
        fields(a.fieldbus, b.fieldbus, kFieldbusFields,
               [](const std::string &part) {
                   for (const auto &field : kFieldbusFields)
                       if (part == field.name)
                           return formatText(StrId::DiffFieldbusField, {part});
                   return joined({text(StrId::DiffFieldbus), part});
               },
               {DifferenceAt::Scope::Fieldbus, -1, -1, {}});
        for (int k = 0; k < kSubnetCount; ++k)
            subnet(k, a.subnet(k), b.subnet(k));
    }


    void subnet(int k, const CONFIG &a, const CONFIG &b)
    {
        const std::string name = subnetName(k);
        fields(a, b, kConfigFields, [&](const std::string &field) { return joined({name, field}); },
               {DifferenceAt::Scope::Subnet, k, -1, {}});

        const int nodesA = std::clamp(a.nodeCount, 0, kMaxNodes);
        const int nodesB = std::clamp(b.nodeCount, 0, kMaxNodes);
        for (int i = 0; i < std::max(nodesA, nodesB); ++i) {
            const auto at = static_cast<std::size_t>(i);
            const std::string number = std::to_string(i + 1);
            if (i < nodesA && i < nodesB) {
                const std::string node = formatText(StrId::DiffNode, {number});
                fields(a.nodes[at], b.nodes[at], kNodeFields,
                       [&](const std::string &field) { return joined({name, node, field}); },
                       {DifferenceAt::Scope::Node, k, i, {}});
            } else if (i < nodesB) {
                entry(DifferenceKind::Added, joined({name, formatText(StrId::DiffNodeAdded, {number})}), {},
                      nodeSummary(b.nodes[at]), {DifferenceAt::Scope::Node, k, i, {}});
            } else {
                entry(DifferenceKind::Removed, joined({name, formatText(StrId::DiffNodeRemoved, {number})}),
                      nodeSummary(a.nodes[at]), {}, {DifferenceAt::Scope::Node, k, i, {}});
            }
        }

        const int commandsA = usedCommands(a);
        const int commandsB = usedCommands(b);
        for (int i = 0; i < std::max(commandsA, commandsB); ++i) {
            const auto at = static_cast<std::size_t>(i);
            const std::string number = std::to_string(i + 1);
            if (i < commandsA && i < commandsB) {
                const std::string command = formatText(StrId::DiffCommand, {number});
                const COMMAND &ca = a.commands[at];
                const COMMAND &cb = b.commands[at];
                fields(ca, cb, kCommandFields,
                       [&](const std::string &field) { return joined({name, command, field}); },
                       {DifferenceAt::Scope::Command, k, i, {}});
                changed(joined({name, command, kNodeNumberField}), std::to_string(ca.nodeNumber),
                        std::to_string(cb.nodeNumber), {DifferenceAt::Scope::Command, k, i, kNodeNumberField},
                        joined({name, command, text(StrId::DiffLabelNodeNumber)}));
            } else if (i < commandsB) {
                entry(DifferenceKind::Added, joined({name, formatText(StrId::DiffCommandAdded, {number})}), {},
                      commandSummary(b.commands[at]), {DifferenceAt::Scope::Command, k, i, {}});
            } else {
                entry(DifferenceKind::Removed, joined({name, formatText(StrId::DiffCommandRemoved, {number})}),
                      commandSummary(a.commands[at]), {}, {DifferenceAt::Scope::Command, k, i, {}});
            }
        }
    }

private:
    const ConfigStore &m_project; // whose grids name the fields
    const ConfigStore &m_other;
};

// Entries [from, to) of `other` appended to `project`'s (contiguous positions), or `project`'s
// cut back to `to` entries; `count` is the project's count.
template <typename Entry, std::size_t N>
void takeEntries(std::array<Entry, N> &mine, std::int32_t &count, const std::array<Entry, N> &theirs,
                 int theirCount, const Difference &d)
{
    const int index = d.at.index;
    if (index < 0 || index >= static_cast<int>(N))
        return;
    const int have = std::clamp(count, 0, static_cast<int>(N));
    if (d.kind == DifferenceKind::Added && index >= have && index < theirCount) {
        for (int i = have; i <= index; ++i)
            mine[static_cast<std::size_t>(i)] = theirs[static_cast<std::size_t>(i)];
        count = index + 1;
    } else if (d.kind == DifferenceKind::Removed && index < have) {
        for (int i = index; i < have; ++i)
            mine[static_cast<std::size_t>(i)] = Entry{};
        count = index;
    }
}

} // namespace

ConfigStore carriedForm(const ConfigStore &configuration, const ConfigStore &project, Carried carried, int firmware)
{
    switch (carried) {
    case Carried::Serial:
        return serialForm(configuration, project, firmware);
    case Carried::Ethernet:
        return ethernetForm(configuration, project);
    case Carried::Everything:
        break;
    }
    return configuration;
}

std::vector<Difference> compareConfigurations(const ConfigStore &project, const ConfigStore &other, Carried carried,
                                              int firmware)
{
    if (carried == Carried::Everything) {
        Comparison comparison(project, other);
        comparison.store(project, other);
        return std::move(comparison.differences);
    }
    // Both through the same transfer onto the same base: only what it carries can differ.
    const ConfigStore a = carriedForm(project, project, carried, firmware);
    const ConfigStore b = carriedForm(other, project, carried, firmware);
    Comparison comparison(a, b);
    comparison.derivedValues = false;
    comparison.store(a, b);
    return std::move(comparison.differences);
}

void takeDifference(ConfigStore &project, const ConfigStore &other, const Difference &d)
{
    const DifferenceAt &at = d.at;
    if (at.scope == DifferenceAt::Scope::Store) {
        if (at.field == kGatewayTypeField)
            project.gatewayType = other.gatewayType;
        for (int n = 1; n <= 7; ++n)
            if (at.field == kModelFlagField + std::to_string(n))
                project.setModelFlag(n, other.modelFlag(n));
        return;
    }
    if (at.scope == DifferenceAt::Scope::Fieldbus) {
        if (auto member = memberNamed(kFieldbusFields, at.field))
            project.fieldbus.*member = other.fieldbus.*member;
        return;
    }
    if (at.subnet < 0 || at.subnet >= kSubnetCount)
        return;
    CONFIG &mine = project.subnet(at.subnet);
    const CONFIG &theirs = other.subnet(at.subnet);
    switch (at.scope) {
    case DifferenceAt::Scope::Subnet:
        if (auto member = memberNamed(kConfigFields, at.field))
            mine.*member = theirs.*member;
        break;
    case DifferenceAt::Scope::Node:
        if (d.kind != DifferenceKind::Changed) {
            takeEntries(mine.nodes, mine.nodeCount, theirs.nodes, std::clamp(theirs.nodeCount, 0, kMaxNodes), d);
        } else if (at.index >= 0 && at.index < kMaxNodes) {
            if (auto member = memberNamed(kNodeFields, at.field))
                mine.nodes[static_cast<std::size_t>(at.index)].*member =
                    theirs.nodes[static_cast<std::size_t>(at.index)].*member;
        }
        break;
    case DifferenceAt::Scope::Command:
        // What a command takes brings its derived values along, so they never go stale.
        if (d.kind != DifferenceKind::Changed) {
            const int before = usedCommands(mine);
            takeEntries(mine.commands, mine.commandCount, theirs.commands, usedCommands(theirs), d);
            for (int i = before; i < usedCommands(mine); ++i)
                updateDerivedValues(mine.commands[static_cast<std::size_t>(i)]);
        } else if (at.index >= 0 && at.index < kMaxCommands) {
            COMMAND &c = mine.commands[static_cast<std::size_t>(at.index)];
            const COMMAND &o = theirs.commands[static_cast<std::size_t>(at.index)];
            if (at.field == kNodeNumberField)
                c.nodeNumber = o.nodeNumber;
            else if (auto member = memberNamed(kCommandFields, at.field))
                c.*member = o.*member;
            updateDerivedValues(c);
        }
        break;
    default:
        break;
    }
}

} // namespace tqv
