#include "GridLayout.h"

#include "PropertyGrid.h"
#include "model/ModelProfile.h"
#include "resources/Strings.h"

#include <array>
#include <optional>
#include <type_traits>
#include <utility>

namespace tqv {

namespace {

bool validSubnet(int subnet) { return subnet >= 0 && subnet < kSubnetCount; }

// Visitor made of several lambdas.
template <typename... Ts> struct Overloaded : Ts... {
    using Ts::operator()...;
};
// Spelled out: clang before 17 does not deduce aggregate template arguments by itself.
template <typename... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

// Resolves a member for an item; `Store` is ConfigStore or const ConfigStore.
template <typename Store>
auto resolve(Store &store, const ItemRef &item, const FieldRef &field)
    -> std::conditional_t<std::is_const_v<Store>, const std::string *, std::string *>
{
    using Result = std::conditional_t<std::is_const_v<Store>, const std::string *, std::string *>;
    const int subnet = item.kind == ItemKind::Fieldbus ? 0 : item.subnet;
    if (item.kind == ItemKind::None || !validSubnet(subnet))
        return nullptr;
    auto &config = store.subnets[static_cast<std::size_t>(subnet)];
    const auto slot = static_cast<std::size_t>(item.number - 1);
    return std::visit(
        Overloaded{
            [](std::monostate) -> Result { return nullptr; },
            [&](std::string FIELDBUS::*m) -> Result { return &(store.fieldbus.*m); },
            [&](std::string CONFIG::*m) -> Result { return &(config.*m); },
            [&](std::string NODE::*m) -> Result {
                if (item.kind != ItemKind::Node || item.number < 1 || item.number > kMaxNodes)
                    return nullptr;
                return &(config.nodes[slot].*m);
            },
            [&](std::string COMMAND::*m) -> Result {
                if (item.kind != ItemKind::Command || item.number < 1 || item.number > kMaxCommands)
                    return nullptr;
                return &(config.commands[slot].*m);
            },
        },
        field);
}

// ---- what a rule looks at ------------------------------------------------------------------------

// One cell's situation. `subnet` is the item's subnet, subnet 1 for the fieldbus item.
struct Cell {
    const ConfigStore &store;
    const ItemRef &item;
    const CONFIG &subnet;
    const COMMAND *command; // command items only
    bool pulseEditable;
    GridOccasion occasion;

    ModelProfile model() const { return profileOf(store); }
    bool profibusModbus() const { return model().profibusModbus; }
    bool presetSlave() const { return model().preset == PresetProtocol::ModbusSlave; }
    bool presetUser() const { return model().preset == PresetProtocol::UserConfig; }
    bool ethernet() const { return model().fieldbus == FieldbusKind::Ethernet; }
    bool userConfigRows() const { return model().userConfigRows; }

    bool protocol(StrId id) const { return subnet.protocol == text(id); }
    bool master() const { return protocol(StrId::ProtocolModbusMaster); }
    bool slave() const { return protocol(StrId::ProtocolModbusSlave); }
    bool custom() const { return protocol(StrId::ProtocolSelfDefining); }
    bool user() const { return protocol(StrId::ProtocolUserConfig); }
    bool modbus() const { return master() || slave(); }
    bool knownProtocol() const { return modbus() || custom() || user(); }
    bool firstIs(StrId protocol) const { return store.subnet(0).protocol == text(protocol); }

    static bool is(const std::string &value, StrId id) { return value == text(id); }
    const std::string &functionCode() const { return command->functionCode; }
};

// A row's answer to one question: fixed, or decided from the situation.
template <typename T, typename Arg = Cell> class Rule {
public:
    using Decide = T (*)(const Arg &);

    Rule() = default;
    Rule(T fixed) : m_fixed(std::move(fixed)) {}
    template <typename F>
        requires std::is_convertible_v<F, Decide>
    Rule(F decide) : m_decide(decide)
    {
    }

    T operator()(const Arg &arg) const { return m_decide ? m_decide(arg) : m_fixed; }

private:
    T m_fixed{};
    Decide m_decide = nullptr;
};

// How a value cell renders its field.
enum class Form {
    Raw,
    UnsetAsEmpty,   // "-1" (not set) shows empty
    OrDefault,      // an empty field shows `fallback` (not stored)
    OtherInterface, // the serial interface the field does not name
    Text,           // a fixed text
};

// What a value cell shows: a member, rendered in a form.
struct Shown {
    FieldRef field;
    Form form = Form::Raw;
    StrId text{};
    const char *fallback = "";
};

Shown raw(FieldRef field) { return {std::move(field)}; }
Shown unset(FieldRef field) { return {std::move(field), Form::UnsetAsEmpty}; }
Shown orDefault(FieldRef field, const char *fallback) { return {std::move(field), Form::OrDefault, {}, fallback}; }
Shown otherInterfaceOf(std::string CONFIG::*field) { return {field, Form::OtherInterface}; }
Shown fixedText(StrId id) { return {{}, Form::Text, id}; }
const Shown kNothing{};

using Texts = std::vector<std::string>;

// Everything the grid knows about one row of one item kind.
struct RowRules {
    Rule<StrId> label{}; // StrId{}: no label
    Rule<Shown> value{};
    Rule<bool> grey{};
    Rule<bool> editable{};
    Rule<Texts> choices{}; // none: an edit box
    Rule<EditRule> edit{};
    Rule<PickRule> pick{};
    Rule<PromptChoice, ConfigStore> prompt{};
    const char *suffix = "";
};

Texts texts(std::initializer_list<StrId> ids)
{
    Texts out;
    for (StrId id : ids)
        out.push_back(text(id));
    return out;
}

Texts enableDisable() { return texts({StrId::Enable, StrId::Disable}); }
// A list of texts of the active language, read when the list opens.
template <StrId... Ids> Texts listOf(const Cell &) { return texts({Ids...}); }
Texts serialInterfaces() { return {"RS485", "RS232"}; }

constexpr PromptChoice show(StrId id) { return {PromptAction::Set, id}; }
constexpr PromptChoice kEmptyPane{PromptAction::Empty, StrId{}};
constexpr PromptChoice kKeepPane{};

bool firstIs(const ConfigStore &s, StrId protocol) { return s.subnet(0).protocol == text(protocol); }

EditRule asTyped(FieldRef field) { return {std::move(field), TextCheck::AsTyped}; }
EditRule inRange(FieldRef field, long low, long high, Refused refused)
{
    return {std::move(field), TextCheck::Range, low, high, refused};
}
PickRule storeIn(FieldRef field, std::vector<PickEffect> effects = {})
{
    return {std::move(field), std::move(effects)};
}

// ---- fieldbus item -------------------------------------------------------------------------------

const RowRules kFieldbusProtocolRow{
    .label = StrId::GridTypeOfProtocol,
    .value = raw(&FIELDBUS::fieldbusType),
    .grey = true,
    .prompt = show(StrId::Prompt61469),
};

const RowRules kHardwareInputBytes{.label = StrId::GridNumberOfBytes,
                                  .value = fixedText(StrId::GridSetByHardwareConfig),
                                  .grey = true,
                                  .prompt = show(StrId::Prompt61474)};
const RowRules kHardwareOutputBytes{.label = StrId::GridNumberOfBytes,
                                   .value = fixedText(StrId::GridSetByHardwareConfig),
                                   .grey = true,
                                   .prompt = show(StrId::Prompt61475)};

// The fieldbus rows of one gateway family; rows past the list show nothing.
struct FieldbusFamily {
    bool (*holds)(std::uint32_t gatewayType);
    std::vector<RowRules> rows;
    PromptChoice otherRows; // prompt of a click below the family's rows
};

RowRules ipRow(StrId label, std::string FIELDBUS::*field, const char *usual)
{
    return {.label = label,
            .value = orDefault(field, usual),
            .editable = true,
            .edit = EditRule{field, TextCheck::IpAddress},
            .prompt = kEmptyPane};
}

FieldbusFamily deviceNetFamily()
{
    return {isDeviceNetType,
            {
                kFieldbusProtocolRow,
                {.label = StrId::GridDeviceNetAddress,
                 .value = unset(&FIELDBUS::deviceNetAddress),
                 .editable = true,
                 .edit = EditRule{&FIELDBUS::deviceNetAddress, TextCheck::CanonicalRange, 0, 63},
                 .prompt = show(StrId::Prompt61470)},
                {.label = StrId::GridDeviceNetBaud,
                 .value = raw(&FIELDBUS::deviceNetBaud),
                 // Interface models detect the baud rate themselves.
                 .grey = [](const Cell &c) { return c.model().interfaceModel; },
                 .editable = [](const Cell &c) { return !c.model().interfaceModel; },
                 .choices = listOf<StrId::DeviceNetBaud125K, StrId::DeviceNetBaud250K, StrId::DeviceNetBaud500K,
                                   StrId::DeviceNetBaudAuto>,
                 .pick = storeIn(&FIELDBUS::deviceNetBaud),
                 .prompt = show(StrId::Prompt61471)},
                {.label = StrId::GridDeviceNetInputSize,
                 .value = raw(&FIELDBUS::inputSize),
                 .editable = true,
                 .choices = [](const Cell &c) {
                     Texts sizes{"8", "16", "32", "64", "96"};
                     if (!c.model().shortDeviceNetSizes)
                         sizes.insert(sizes.end(), {"128", "160"});
                     return sizes;
                 },
                 .pick = storeIn(&FIELDBUS::inputSize),
                 .prompt = show(StrId::Prompt61472)},
                {.label = StrId::GridDeviceNetOutputSize,
                 .value = raw(&FIELDBUS::outputSize),
                 .editable = true,
                 .choices = [](const Cell &c) {
                     Texts sizes{"8", "16", "32", "64"};
                     if (!c.model().shortDeviceNetSizes)
                         sizes.insert(sizes.end(), {"96", "112"});
                     return sizes;
                 },
                 .pick = storeIn(&FIELDBUS::outputSize),
                 .prompt = show(StrId::Prompt61473)},
            },
            kEmptyPane};
}

FieldbusFamily ethernetFamily()
{
    return {isEthernetType,
            {
                kFieldbusProtocolRow,
                {.label = StrId::GridAssignIpMode,
                 .value = raw(&FIELDBUS::ipAssignMode),
                 .editable = true,
                 .choices = listOf<StrId::IpManualAssign, StrId::IpBootp, StrId::IpDhcp>,
                 .pick = storeIn(&FIELDBUS::ipAssignMode),
                 .prompt = kEmptyPane},
                ipRow(StrId::GridIpAddress, &FIELDBUS::ipAddress, "192.168.0.10"),
                ipRow(StrId::GridSubnetMask, &FIELDBUS::subnetMask, "255.255.255.0"),
                ipRow(StrId::GridGatewayAddress, &FIELDBUS::gatewayAddress, "192.168.0.1"),
                ipRow(StrId::GridDns1, &FIELDBUS::dns1, "0.0.0.0"),
                ipRow(StrId::GridDns2, &FIELDBUS::dns2, "0.0.0.0"),
            },
            kEmptyPane};
}

// Types 5 and 6: sizes come from the PROFIBUS master's hardware configuration.
FieldbusFamily presetProfibusFamily()
{
    return {isPresetProfibusType,
            {
                kFieldbusProtocolRow,
                kHardwareInputBytes,
                kHardwareOutputBytes,
                {.label = [](const Cell &c) { return c.presetUser() ? StrId::GridInputLengthPrefix : StrId{}; },
                 .value = [](const Cell &c) { return c.presetUser() ? raw(&CONFIG::inputLengthPrefix) : kNothing; },
                 .editable = [](const Cell &c) { return c.presetUser(); },
                 .choices = listOf<StrId::Enable, StrId::Disable>,
                 .pick = [](const Cell &c) {
                     return c.presetUser() && c.firstIs(StrId::ProtocolUserConfig) ? storeIn(&CONFIG::inputLengthPrefix)
                                                                                  : PickRule{};
                 },
                 .prompt = [](const ConfigStore &s) {
                     return firstIs(s, StrId::ProtocolUserConfig) ? show(StrId::Prompt61476) : kEmptyPane;
                 }},
            },
            kEmptyPane};
}

// Types 1 and 3 lay their fieldbus rows out by model flags, tried in this order.
enum class ProfibusLayout {
    DoubleFaultReset, // fault-reset model: hardware sizes, the double fault reset of subnet 1
    Sizes,            // no flag: byte sizes only
    ConfigData,       // configuration-data model: sizes or configuration data, by the configuration mode
    Hardware,         // hardware-configuration or User Config model: hardware sizes, then subnet 1's
                      // timeout or input-length rows
};

bool configurableProfibus(const Cell &c) { return c.model().configDataModel; }
bool useBytes(const Cell &c)
{
    return Cell::is(c.store.fieldbus.profibusConfigMode, StrId::ProfibusUseBytesSelection);
}

ProfibusLayout profibusLayout(const Cell &c)
{
    if (c.model().faultResetModel)
        return ProfibusLayout::DoubleFaultReset;
    if (!c.model().hardwareConfigModel && !c.model().userConfigModel)
        return configurableProfibus(c) ? ProfibusLayout::ConfigData : ProfibusLayout::Sizes;
    return ProfibusLayout::Hardware;
}

// What the option row (row 3) of types 1 and 3 holds.
enum class ProfibusOption { None, InputLength, DoubleFaultReset, ConfigMode, TimeoutAction };

ProfibusOption profibusOption(const Cell &c)
{
    // Type 1 shows the input-length row for a User Config subnet whatever its layout.
    if (c.model().plainProfibus && c.firstIs(StrId::ProtocolUserConfig))
        return ProfibusOption::InputLength;
    switch (profibusLayout(c)) {
    case ProfibusLayout::DoubleFaultReset:
        return ProfibusOption::DoubleFaultReset;
    case ProfibusLayout::Sizes:
        return ProfibusOption::None;
    case ProfibusLayout::ConfigData:
        return ProfibusOption::ConfigMode;
    case ProfibusLayout::Hardware:
        if (c.firstIs(StrId::ProtocolModbusMaster))
            return ProfibusOption::TimeoutAction;
        return c.firstIs(StrId::ProtocolUserConfig) ? ProfibusOption::InputLength : ProfibusOption::None;
    }
    return ProfibusOption::None;
}

// The byte-size rows of types 1 and 3; `Field` is the input or the output size.
template <std::string FIELDBUS::*Field> Shown profibusBytesValue(const Cell &c)
{
    const ProfibusLayout layout = profibusLayout(c);
    if (layout == ProfibusLayout::Sizes || layout == ProfibusLayout::ConfigData)
        return raw(Field);
    return fixedText(StrId::GridSetByHardwareConfig);
}

bool profibusBytesGrey(const Cell &c)
{
    switch (profibusLayout(c)) {
    case ProfibusLayout::Sizes:
        return false;
    case ProfibusLayout::ConfigData:
        return !useBytes(c);
    default:
        return true;
    }
}

// Type 1 edits its sizes by its flags alone (whatever the layout shows); type 3 never.
bool profibusBytesEditable(const Cell &c)
{
    return c.model().plainProfibus && !c.model().faultResetModel && (!configurableProfibus(c) || useBytes(c));
}

Texts profibusBytesChoices(const Cell &) { return {"8", "16", "48", "112"}; }

FieldbusFamily profibusFamily()
{
    return {
        isProfibusFamily, // after the preset types
        {
            kFieldbusProtocolRow,
            {.label = StrId::GridNumberOfBytes,
             .value = profibusBytesValue<&FIELDBUS::inputSize>,
             .grey = profibusBytesGrey,
             .editable = profibusBytesEditable,
             .choices = profibusBytesChoices,
             .pick = storeIn(&FIELDBUS::inputSize),
             .prompt = show(StrId::Prompt61474)},
            {.label = StrId::GridNumberOfBytes,
             .value = profibusBytesValue<&FIELDBUS::outputSize>,
             .grey = profibusBytesGrey,
             .editable = profibusBytesEditable,
             .choices = profibusBytesChoices,
             .pick = storeIn(&FIELDBUS::outputSize),
             .prompt = show(StrId::Prompt61475)},
            {.label = [](const Cell &c) {
                 switch (profibusOption(c)) {
                 case ProfibusOption::InputLength: return StrId::GridInputLengthPrefix;
                 case ProfibusOption::DoubleFaultReset: return StrId::GridDoubleFaultReset;
                 case ProfibusOption::ConfigMode: return StrId::GridProfibusConfigMode;
                 case ProfibusOption::TimeoutAction: return StrId::GridTimeoutAction;
                 case ProfibusOption::None: break;
                 }
                 return StrId{};
             },
             .value = [](const Cell &c) {
                 switch (profibusOption(c)) {
                 case ProfibusOption::InputLength: return raw(&CONFIG::inputLengthPrefix);
                 case ProfibusOption::DoubleFaultReset: return raw(&CONFIG::doubleFaultReset);
                 case ProfibusOption::ConfigMode: return raw(&FIELDBUS::profibusConfigMode);
                 case ProfibusOption::TimeoutAction: return raw(&CONFIG::timeoutAction);
                 case ProfibusOption::None: break;
                 }
                 return kNothing;
             },
             // Type 1 decides by its flags alone, type 3 by subnet 1's protocol.
             .editable = [](const Cell &c) {
                 if (c.model().plainProfibus)
                     return c.model().faultResetModel || configurableProfibus(c);
                 return !c.firstIs(StrId::ProtocolModbusSlave);
             },
             .choices = [](const Cell &c) {
                 if (c.firstIs(StrId::ProtocolUserConfig) || c.model().faultResetModel)
                     return enableDisable();
                 if (c.model().hardwareConfigModel)
                     return texts({StrId::TimeoutClearData, StrId::TimeoutHoldData});
                 if (configurableProfibus(c))
                     return texts({StrId::ProfibusUseBytesSelection, StrId::ProfibusInputConfigData});
                 return Texts{};
             },
             .pick = [](const Cell &c) {
                 if (c.firstIs(StrId::ProtocolUserConfig))
                     return storeIn(&CONFIG::inputLengthPrefix);
                 if (c.model().faultResetModel)
                     return storeIn(&CONFIG::doubleFaultReset);
                 if (c.model().hardwareConfigModel)
                     return storeIn(&CONFIG::timeoutAction,
                                    {{rowIndex(ProfibusRow::OptionValue), PickEffect::Kind::GreyIfPicked,
                                      StrId::TimeoutHoldData}});
                 if (configurableProfibus(c)) {
                     constexpr auto unless = PickEffect::Kind::GreyUnlessPicked;
                     constexpr StrId bytes = StrId::ProfibusUseBytesSelection;
                     return storeIn(&FIELDBUS::profibusConfigMode,
                                    {{rowIndex(ProfibusRow::InputBytes), unless, bytes},
                                     {rowIndex(ProfibusRow::OutputBytes), unless, bytes},
                                     {rowIndex(ProfibusRow::OptionValue), PickEffect::Kind::GreyIfPicked, bytes}});
                 }
                 return PickRule{};
             },
             .prompt = [](const ConfigStore &s) {
                 const bool userConfig = firstIs(s, StrId::ProtocolUserConfig);
                 if (profileOf(s).profibusModbus && userConfig)
                     return show(StrId::Prompt61476);
                 if (profileOf(s).faultResetModel)
                     return show(StrId::Prompt61477);
                 if (profileOf(s).hardwareConfigModel) {
                     if (firstIs(s, StrId::ProtocolModbusMaster))
                         return show(StrId::Prompt61747);
                     return userConfig ? show(StrId::Prompt61477) : kEmptyPane;
                 }
                 return profileOf(s).configDataModel ? show(StrId::Prompt61478) : kEmptyPane;
             }},
            {.label = [](const Cell &c) {
                 const ProfibusLayout layout = profibusLayout(c);
                 if (layout == ProfibusLayout::ConfigData)
                     return StrId::GridProfibusConfigData;
                 if (layout == ProfibusLayout::Hardware && c.firstIs(StrId::ProtocolModbusMaster))
                     return StrId::GridTimeoutCount;
                 return StrId{};
             },
             .value = [](const Cell &c) {
                 const ProfibusLayout layout = profibusLayout(c);
                 if (layout == ProfibusLayout::ConfigData)
                     return raw(&FIELDBUS::profibusConfigData);
                 if (layout == ProfibusLayout::Hardware && c.firstIs(StrId::ProtocolModbusMaster))
                     return raw(&CONFIG::timeoutCount);
                 return kNothing;
             },
             .grey = [](const Cell &c) {
                 const ProfibusLayout layout = profibusLayout(c);
                 if (layout == ProfibusLayout::ConfigData)
                     return useBytes(c);
                 // The count only matters while timeouts clear the data.
                 return layout == ProfibusLayout::Hardware && c.firstIs(StrId::ProtocolModbusMaster) &&
                        !Cell::is(c.subnet.timeoutAction, StrId::TimeoutClearData);
             },
             .editable = [](const Cell &c) {
                 if (c.model().plainProfibus)
                     return !c.model().faultResetModel && configurableProfibus(c) && !useBytes(c);
                 return !c.firstIs(StrId::ProtocolUserConfig) && !c.firstIs(StrId::ProtocolModbusSlave) &&
                        c.model().hardwareConfigModel && Cell::is(c.subnet.timeoutAction, StrId::TimeoutClearData);
             },
             .edit = [](const Cell &c) {
                 if (c.model().plainProfibus && configurableProfibus(c))
                     return EditRule{&FIELDBUS::profibusConfigData, TextCheck::ProfibusConfigData};
                 if (c.model().hardwareConfigModel)
                     return inRange(&CONFIG::timeoutCount, 2, 254, Refused::PutBack);
                 return EditRule{};
             },
             .prompt = [](const ConfigStore &s) {
                 if (profileOf(s).configDataModel)
                     return show(StrId::Prompt61479);
                 if (profileOf(s).hardwareConfigModel && firstIs(s, StrId::ProtocolModbusMaster))
                     return show(StrId::Prompt61748);
                 return kEmptyPane;
             }},
        },
        kEmptyPane};
}

// The four-subnet type has no fieldbus item; unknown types show its protocol row only.
FieldbusFamily noFieldbusFamily() { return {[](std::uint32_t) { return true; }, {kFieldbusProtocolRow}, kKeepPane}; }

const FieldbusFamily &fieldbusFamily(std::uint32_t gatewayType)
{
    // First match wins: the preset PROFIBUS types before the PROFIBUS family they belong to.
    static const std::array<FieldbusFamily, 5> kFamilies = {deviceNetFamily(), ethernetFamily(),
                                                            presetProfibusFamily(), profibusFamily(),
                                                            noFieldbusFamily()};
    for (const FieldbusFamily &family : kFamilies)
        if (family.holds(gatewayType))
            return family;
    return kFamilies.back();
}

// ---- subnet item ---------------------------------------------------------------------------------

// The subnet's protocol group member of a serial row (0 baud, 1 data bits, 2 parity, 3 stop bits).
template <int Index> FieldRef serialMember(const Cell &c)
{
    using Group = std::array<std::string CONFIG::*, 4>;
    static constexpr std::pair<StrId, Group> kGroups[] = {
        {StrId::ProtocolModbusMaster,
         {&CONFIG::masterBaud, &CONFIG::masterDataBits, &CONFIG::masterParity, &CONFIG::masterStopBits}},
        {StrId::ProtocolModbusSlave,
         {&CONFIG::slaveBaud, &CONFIG::slaveDataBits, &CONFIG::slaveParity, &CONFIG::slaveStopBits}},
        {StrId::ProtocolSelfDefining,
         {&CONFIG::customBaud, &CONFIG::customDataBits, &CONFIG::customParity, &CONFIG::customStopBits}},
        {StrId::ProtocolUserConfig,
         {&CONFIG::userBaud, &CONFIG::userDataBits, &CONFIG::userParity, &CONFIG::userStopBits}},
    };
    for (const auto &[protocol, group] : kGroups)
        if (c.protocol(protocol))
            return group[Index];
    return {};
}
template <int Index> Shown serialValue(const Cell &c) { return raw(serialMember<Index>(c)); }
template <int Index> PickRule serialPick(const Cell &c) { return storeIn(serialMember<Index>(c)); }

// Editability of subnet rows: types 5 and 6 fix theirs whatever the protocol, the others go by it.
bool byType(const Cell &c, bool presetSlave, bool presetUser, bool others)
{
    if (c.presetSlave())
        return presetSlave;
    if (c.presetUser())
        return presetUser;
    return others;
}

// Models whose subnet protocol cannot be chosen.
bool protocolFixed(const Cell &c)
{
    const ModelProfile m = c.model();
    return (m.plainProfibus && !m.faultResetModel) || c.ethernet() || m.userConfigModel || m.interfaceModel;
}

// A Modbus master of type 3 of the interface model (not the hardware-configuration one) edits the
// User Config rows too.
bool masterEditsUserRows(const Cell &c)
{
    return c.master() && c.profibusModbus() && c.model().interfaceModel && !c.model().hardwareConfigModel;
}

bool masterOnly(const Cell &c) { return byType(c, false, false, c.master()); }
bool greyUnlessMaster(const Cell &c) { return c.knownProtocol() && !c.master(); }
bool serialEditable(const Cell &c) { return byType(c, true, true, c.knownProtocol()); }
// A Modbus subnet of type 3: the User Config rows stay in its grid, greyed.
bool modbusWithUserRows(const Cell &c) { return c.profibusModbus() && c.modbus(); }

// Rows 12 to 19 of the fault-reset model with User Config (other types than 3 and 6).
bool flag4UserRows(const Cell &c) { return c.model().faultResetModel && c.user(); }

bool charTimeoutFrames(const Cell &c) { return Cell::is(c.subnet.frameType, StrId::FrameCharTimeout); }
bool autoSendOff(const Cell &c) { return Cell::is(c.subnet.autoSend, StrId::Disable); }

bool intervalRowsShown(const Cell &c)
{
    return c.userConfigRows() && c.model().hardwareConfigModel && c.store.fileVersion >= 500;
}
bool intervalEditable(const Cell &c)
{
    const bool type3 = c.profibusModbus();
    const ModelProfile m = c.model();
    return byType(c, false, false,
                  (c.master() && type3 && (m.interfaceModel || m.hardwareConfigModel)) ||
                      (c.slave() && type3 && m.hardwareConfigModel) ||
                      (c.user() && !m.faultResetModel && m.hardwareConfigModel));
}

template <StrId Id> PromptChoice userRowPrompt(const ConfigStore &s)
{
    return profileOf(s).userConfigRows ? show(Id) : kKeepPane;
}

const std::array<RowRules, kSubnetRowCount> &subnetTable()
{
    static const std::array<RowRules, kSubnetRowCount> kRows = {{
        // Protocol
        {.label = StrId::GridProtocolsSelect,
         .value = raw(&CONFIG::protocol),
         .grey = [](const Cell &c) { return c.user() && c.model().userConfigModel; },
         .editable = [](const Cell &c) { return !protocolFixed(c) && byType(c, false, false, c.knownProtocol()); },
         .choices = [](const Cell &c) {
             if (c.model().faultResetModel)
                 return texts({StrId::ProtocolModbusMaster, StrId::ProtocolUserConfig});
             Texts v = texts({StrId::ProtocolModbusMaster, StrId::ProtocolModbusSlave});
             if (c.profibusModbus())
                 v.push_back(text(StrId::ProtocolUserConfig));
             if (c.model().selfDefiningChoosable)
                 v.push_back(text(StrId::ProtocolSelfDefining));
             return v;
         },
         .pick = PickRule{&CONFIG::protocol, {}, false, true},
         .prompt = show(StrId::Prompt61480)},
        // Baud
        {.label = [](const Cell &c) {
             const bool afterChange =
                 c.occasion == GridOccasion::ProtocolChanged && c.model().faultResetModel && c.master();
             return c.userConfigRows() || afterChange ? StrId::GridBandRate : StrId::GridModbusBaudRate;
         },
         .value = serialValue<0>,
         .editable = serialEditable,
         .choices = [](const Cell &c) {
             if (c.ethernet())
                 return Texts{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
             return Texts{"300", "600", "1200", "2400", "9600", "19200", "38400", "57600", "115200"};
         },
         .pick = serialPick<0>,
         .prompt = [](const ConfigStore &s) {
             return show(profileOf(s).userConfigModel ? StrId::Prompt61482 : StrId::Prompt61481);
         }},
        // DataBits
        {.label = StrId::GridDataBits,
         .value = serialValue<1>,
         .editable = [](const Cell &c) {
             return byType(c, true, true, c.knownProtocol() && !(c.master() && c.ethernet()));
         },
         .choices = Texts{"8"},
         .pick = serialPick<1>,
         .prompt = show(StrId::Prompt61483)},
        // Parity
        {.label = StrId::GridParityMode,
         .value = serialValue<2>,
         .editable = serialEditable,
         .choices =
             listOf<StrId::ParityNone, StrId::ParityOdd, StrId::ParityEven, StrId::ParityMark, StrId::ParitySpace>,
         .pick = serialPick<2>,
         .prompt = show(StrId::Prompt61484)},
        // StopBits
        {.label = StrId::GridStopBit,
         .value = serialValue<3>,
         .editable = serialEditable,
         .choices = Texts{"1", "2"},
         .pick = serialPick<3>,
         .prompt = show(StrId::Prompt61485)},
        // OwnAddress
        {.label = StrId::GridSlaveAddress,
         .value = [](const Cell &c) { return c.slave() ? raw(&CONFIG::ownAddress) : kNothing; },
         .grey = [](const Cell &c) { return c.knownProtocol() && !c.slave(); },
         .editable = [](const Cell &c) { return byType(c, true, false, c.slave()); },
         .edit = EditRule{&CONFIG::ownAddress, TextCheck::OwnAddress, 0, 247, Refused::Clear, StrId::GridSlaveAddress},
         .prompt = show(StrId::Prompt61486)},
        // Mode
        {.label = StrId::GridCommunicationMode,
         .value = [](const Cell &c) {
             if (c.master())
                 return raw(&CONFIG::masterMode);
             return c.slave() ? raw(&CONFIG::slaveMode) : kNothing;
         },
         .grey = [](const Cell &c) { return c.custom() || c.user(); },
         .editable = [](const Cell &c) { return byType(c, true, false, (c.master() && !c.ethernet()) || c.slave()); },
         .choices = Texts{"RTU", "ASCII"},
         .pick = [](const Cell &c) {
             if (c.master())
                 return storeIn(&CONFIG::masterMode);
             return c.slave() ? storeIn(&CONFIG::slaveMode) : PickRule{};
         },
         .prompt = show(StrId::Prompt61487)},
        // ResponseTimeout
        {.label = StrId::GridResponseTimeout,
         .value = [](const Cell &c) { return c.master() ? unset(&CONFIG::responseTimeout) : kNothing; },
         .grey = greyUnlessMaster,
         .editable = masterOnly,
         .edit = inRange(&CONFIG::responseTimeout, 300, 60000, Refused::Clear),
         .prompt = show(StrId::Prompt61488)},
        // PollDelay
        {.label = StrId::GridPollDelay,
         .value = [](const Cell &c) { return c.master() ? unset(&CONFIG::pollDelay) : kNothing; },
         .grey = greyUnlessMaster,
         .editable = masterOnly,
         .edit = inRange(&CONFIG::pollDelay, 0, 2500, Refused::Clear),
         .prompt = show(StrId::Prompt61489)},
        // OutputMode
        {.label = StrId::GridOutputMode,
         .value = [](const Cell &c) { return c.master() ? raw(&CONFIG::outputMode) : kNothing; },
         .grey = greyUnlessMaster,
         .editable = masterOnly,
         .choices = listOf<StrId::OutputCycle, StrId::OutputForbidden, StrId::OutputChangeOfValue>,
         .pick = PickRule{&CONFIG::outputMode,
                          {{rowIndex(SubnetRow::PulseTime), PickEffect::Kind::GreyUnlessPicked, StrId::OutputPulse}},
                          true},
         .prompt = show(StrId::Prompt61490)},
        // PulseTime
        {.label = StrId::GridOutputPulse,
         .value = [](const Cell &c) { return c.master() ? unset(&CONFIG::pulseTime) : kNothing; },
         .grey = [](const Cell &c) {
             return c.master() ? !Cell::is(c.subnet.outputMode, StrId::OutputPulse) : c.knownProtocol();
         },
         .editable = [](const Cell &c) { return masterOnly(c) && c.pulseEditable && !c.model().hardwareConfigModel; },
         .edit = [](const Cell &c) {
             return c.pulseEditable ? inRange(&CONFIG::pulseTime, 200, 2500, Refused::Clear) : EditRule{};
         },
         .prompt = show(StrId::Prompt61491)},
        // ScanRatio
        {.label = StrId::GridScanRatio,
         .value = [](const Cell &c) { return c.master() ? unset(&CONFIG::scanRatio) : kNothing; },
         .grey = greyUnlessMaster,
         .editable = masterOnly,
         .edit = inRange(&CONFIG::scanRatio, 1, 255, Refused::Clear),
         .prompt = show(StrId::Prompt61492)},
        // FrameType: the command status of a type-3 Modbus master, the interface of the interface model
        {.label = [](const Cell &c) {
             if (c.userConfigRows())
                 return c.model().hardwareConfigModel && c.master() ? StrId::GridCommandStatus : StrId::GridFrameType;
             if (flag4UserRows(c))
                 return StrId::GridFrameType;
             return c.model().interfaceModel ? StrId::GridCommInterface : StrId{};
         },
         .value = [](const Cell &c) {
             if (c.model().interfaceModel && c.modbus())
                 return raw(&CONFIG::commInterface);
             if (c.user())
                 return raw(&CONFIG::frameType);
             return c.master() && c.profibusModbus() ? raw(&CONFIG::commandStatus) : kNothing;
         },
         .grey = [](const Cell &c) { return c.profibusModbus() && c.slave(); },
         .editable = [](const Cell &c) {
             const bool others = (c.master() && (c.profibusModbus() || c.model().interfaceModel)) ||
                                 (c.slave() && !c.profibusModbus() && c.model().interfaceModel) || c.user();
             return byType(c, false, true, others);
         },
         .choices = [](const Cell &c) {
             if (c.model().interfaceModel)
                 return serialInterfaces();
             // The status sizes follow subnet 1's protocol, not the shown subnet's.
             if (c.model().hardwareConfigModel && c.firstIs(StrId::ProtocolModbusMaster)) {
                 Texts v{text(StrId::Disable)};
                 for (char d = '1'; d <= '6'; ++d)
                     v.push_back(std::string(1, d) + text(StrId::Bytes));
                 return v;
             }
             return texts({StrId::FrameCharTimeout, StrId::FrameLength});
         },
         .pick = [](const Cell &c) {
             if (c.model().interfaceModel)
                 return storeIn(&CONFIG::commInterface,
                                {{rowIndex(SubnetRow::CharTimeout), PickEffect::Kind::OtherInterface}});
             if (c.model().hardwareConfigModel && c.master())
                 return storeIn(&CONFIG::commandStatus);
             if (c.model().faultResetModel)
                 return storeIn(&CONFIG::frameType);
             if (c.user())
                 return storeIn(&CONFIG::frameType, {{rowIndex(SubnetRow::FrameLength), PickEffect::Kind::GreyIfPicked,
                                                      StrId::FrameCharTimeout}});
             return PickRule{};
         },
         .prompt = [](const ConfigStore &s) {
             if (profileOf(s).interfaceModel)
                 return show(StrId::Prompt61494);
             if (!profileOf(s).userConfigRows)
                 return kKeepPane;
             return show(firstIs(s, StrId::ProtocolModbusMaster) ? StrId::Prompt61749 : StrId::Prompt61493);
         }},
        // CharTimeout: the debug interface of the interface model
        {.label = [](const Cell &c) {
             if (c.userConfigRows() || flag4UserRows(c))
                 return StrId::GridCharTimeout;
             return c.model().interfaceModel ? StrId::GridDebugInterface : StrId{};
         },
         .value = [](const Cell &c) {
             if (c.model().interfaceModel && c.modbus())
                 return otherInterfaceOf(&CONFIG::commInterface);
             return c.user() ? raw(&CONFIG::charTimeout) : kNothing;
         },
         .grey = [](const Cell &c) { return c.modbus() && (c.model().interfaceModel || c.profibusModbus()); },
         .editable = [](const Cell &c) { return byType(c, false, true, masterEditsUserRows(c) || c.user()); },
         .edit = [](const Cell &c) {
             if (c.model().faultResetModel)
                 return asTyped(&CONFIG::charTimeout);
             return inRange(&CONFIG::charTimeout, 10, 60000, Refused::Clear);
         },
         .prompt = [](const ConfigStore &s) {
             if (profileOf(s).interfaceModel)
                 return show(StrId::Prompt61496);
             return profileOf(s).userConfigRows ? show(StrId::Prompt61495) : kKeepPane;
         }},
        // FrameLength
        {.label = [](const Cell &c) {
             return c.userConfigRows() || flag4UserRows(c) ? StrId::GridFrameLength : StrId{};
         },
         .value = [](const Cell &c) { return c.user() ? raw(&CONFIG::frameLength) : kNothing; },
         .grey = [](const Cell &c) { return (c.user() && charTimeoutFrames(c)) || modbusWithUserRows(c); },
         .editable = [](const Cell &c) {
             return byType(c, false, !charTimeoutFrames(c),
                           masterEditsUserRows(c) || (c.user() && !c.model().faultResetModel && !charTimeoutFrames(c)));
         },
         .edit = [](const Cell &c) {
             if (c.model().faultResetModel)
                 return asTyped(&CONFIG::frameLength);
             return inRange(&CONFIG::frameLength, 1, 223, Refused::Clear);
         },
         .prompt = userRowPrompt<StrId::Prompt61497>},
        // AutoSend: the start character of the fault-reset model
        {.label = [](const Cell &c) {
             if (c.userConfigRows())
                 return StrId::GridAutoSend;
             return flag4UserRows(c) ? StrId::GridStartChar : StrId{};
         },
         .value = [](const Cell &c) {
             if (!c.user())
                 return kNothing;
             return c.model().faultResetModel ? raw(&CONFIG::startChar) : raw(&CONFIG::autoSend);
         },
         .grey = modbusWithUserRows,
         .editable = [](const Cell &c) { return byType(c, false, true, masterEditsUserRows(c) || c.user()); },
         .choices = [](const Cell &c) { return c.model().faultResetModel ? Texts{} : enableDisable(); },
         .edit = [](const Cell &c) { return c.model().faultResetModel ? asTyped(&CONFIG::startChar) : EditRule{}; },
         .pick = [](const Cell &c) {
             if (c.model().faultResetModel || !c.user())
                 return PickRule{};
             return storeIn(&CONFIG::autoSend,
                            {{rowIndex(SubnetRow::AutoSendPeriod), PickEffect::Kind::GreyIfPicked, StrId::Disable}});
         },
         .prompt = userRowPrompt<StrId::Prompt61498>},
        // AutoSendPeriod: the stop character of the fault-reset model
        {.label = [](const Cell &c) {
             if (c.userConfigRows())
                 return StrId::GridAutoSendPeriod;
             return flag4UserRows(c) ? StrId::GridStopChar : StrId{};
         },
         .value = [](const Cell &c) {
             if (!c.user())
                 return kNothing;
             return c.model().faultResetModel ? raw(&CONFIG::stopChar) : raw(&CONFIG::autoSendPeriod);
         },
         .grey = [](const Cell &c) {
             return (c.user() && !c.model().faultResetModel && autoSendOff(c)) || modbusWithUserRows(c);
         },
         .editable = [](const Cell &c) {
             return byType(c, false, !autoSendOff(c),
                           masterEditsUserRows(c) || (c.user() && (c.model().faultResetModel || !autoSendOff(c))));
         },
         .edit = [](const Cell &c) {
             if (c.model().faultResetModel)
                 return asTyped(&CONFIG::stopChar);
             return inRange(&CONFIG::autoSendPeriod, 10, 60000, Refused::Clear);
         },
         .prompt = userRowPrompt<StrId::Prompt61499>},
        // CrcCheck: auto sending of the fault-reset model
        {.label = [](const Cell &c) {
             if (c.userConfigRows())
                 return StrId::GridCrcCheck;
             return flag4UserRows(c) ? StrId::GridAutoSend : StrId{};
         },
         .value = [](const Cell &c) {
             if (!c.user())
                 return kNothing;
             return c.model().faultResetModel ? raw(&CONFIG::autoSend) : raw(&CONFIG::crcCheck);
         },
         .grey = modbusWithUserRows,
         .editable = [](const Cell &c) { return byType(c, false, true, masterEditsUserRows(c) || c.user()); },
         .choices = listOf<StrId::Enable, StrId::Disable>,
         .pick = [](const Cell &c) {
             if (c.model().faultResetModel)
                 return storeIn(&CONFIG::autoSend);
             return c.user() ? storeIn(&CONFIG::crcCheck) : PickRule{};
         },
         .prompt = userRowPrompt<StrId::Prompt61500>},
        // CommInterface: the auto-send period of the fault-reset model
        {.label = [](const Cell &c) {
             if (c.userConfigRows())
                 return StrId::GridCommInterface;
             return flag4UserRows(c) ? StrId::GridAutoSendPeriod : StrId{};
         },
         .value = [](const Cell &c) {
             if (c.user())
                 return c.model().faultResetModel ? raw(&CONFIG::autoSendPeriod) : raw(&CONFIG::commInterface);
             return modbusWithUserRows(c) ? raw(&CONFIG::commInterface) : kNothing;
         },
         // Type 6 fixes the interface.
         .grey = [](const Cell &c) { return c.presetUser(); },
         .editable = [](const Cell &c) {
             return byType(c, false, false, (c.modbus() && c.profibusModbus()) || c.user());
         },
         .choices = [](const Cell &c) { return c.model().faultResetModel ? Texts{} : serialInterfaces(); },
         .edit = [](const Cell &c) {
             return c.model().faultResetModel ? asTyped(&CONFIG::autoSendPeriod) : EditRule{};
         },
         // Stored for every type: a pick that only changed the cell would be lost silently.
         .pick = storeIn(&CONFIG::commInterface,
                         {{rowIndex(SubnetRow::DebugInterface), PickEffect::Kind::OtherInterface}}),
         .prompt = userRowPrompt<StrId::Prompt61501>},
        // DebugInterface: the CRC check of the fault-reset model
        {.label = [](const Cell &c) {
             if (c.userConfigRows())
                 return StrId::GridDebugInterface;
             return flag4UserRows(c) ? StrId::GridCrcCheck : StrId{};
         },
         .value = [](const Cell &c) {
             if (c.user())
                 return c.model().faultResetModel ? raw(&CONFIG::crcCheck) : otherInterfaceOf(&CONFIG::commInterface);
             return modbusWithUserRows(c) ? otherInterfaceOf(&CONFIG::commInterface) : kNothing;
         },
         .grey = [](const Cell &c) { return modbusWithUserRows(c) || (c.user() && !c.model().faultResetModel); },
         .editable = [](const Cell &c) {
             return byType(c, false, false, masterEditsUserRows(c) || (c.user() && c.model().faultResetModel));
         },
         .choices = [](const Cell &c) { return c.model().faultResetModel ? enableDisable() : Texts{}; },
         .pick = [](const Cell &c) { return c.model().faultResetModel ? storeIn(&CONFIG::crcCheck) : PickRule{}; },
         .prompt = userRowPrompt<StrId::Prompt61502>},
        // CharIntervalSend
        {.label = [](const Cell &c) { return intervalRowsShown(c) ? StrId::GridCharIntervalSend : StrId{}; },
         .value = [](const Cell &c) { return intervalRowsShown(c) ? raw(&CONFIG::charIntervalSend) : kNothing; },
         .editable = intervalEditable,
         .edit = [](const Cell &c) {
             if (!c.model().hardwareConfigModel)
                 return EditRule{};
             return EditRule{&CONFIG::charIntervalSend, TextCheck::Reported, 0, 6000, Refused::PutBack,
                             StrId::GridCharIntervalSend};
         },
         .prompt = [](const ConfigStore &s) {
             return profileOf(s).hardwareConfigModel ? show(StrId::Prompt61765) : kKeepPane;
         }},
        // CharIntervalReceive
        {.label = [](const Cell &c) { return intervalRowsShown(c) ? StrId::GridCharIntervalReceive : StrId{}; },
         .value = [](const Cell &c) { return intervalRowsShown(c) ? raw(&CONFIG::charIntervalReceive) : kNothing; },
         .editable = intervalEditable,
         .edit = [](const Cell &c) {
             if (!c.model().hardwareConfigModel)
                 return EditRule{};
             return EditRule{&CONFIG::charIntervalReceive, TextCheck::Reported, 0, 6000, Refused::PutBack,
                             StrId::GridCharIntervalReceive};
         },
         .prompt = [](const ConfigStore &s) {
             return profileOf(s).hardwareConfigModel ? show(StrId::Prompt61766) : kKeepPane;
         }},
    }};
    return kRows;
}

// ---- node and command items ----------------------------------------------------------------------

const RowRules kNodeAddressRow{
    .label = StrId::GridSlaveAddressRange,
    .value = unset(&NODE::address),
    .editable = true,
    .edit = EditRule{&NODE::address, TextCheck::NodeAddress, 0, 247},
    .prompt = show(StrId::Prompt61503),
};

// Bit functions, and the register writes of the data-filter models, map whole items: their data
// format is the vocabulary's first value.
bool fixedDataFormat(const Cell &c)
{
    const std::string &fc = c.functionCode();
    return isBitFunction(fc) || (usesDataFilter(c.store) && isRegisterFunction(fc) && isWriteFunction(fc));
}

const std::array<RowRules, kCommandRowCount> &commandTable()
{
    static const std::array<RowRules, kCommandRowCount> kRows = {{
        // SlaveAddress: the node's address, refreshed whenever the command is shown
        {.label = StrId::GridSlaveAddressRange,
         .value = unset(&COMMAND::slaveAddress),
         .grey = true,
         .prompt = show(StrId::Prompt61504)},
        // FunctionCode
        {.label = StrId::GridFunctionalCodes,
         .value = raw(&COMMAND::functionCode),
         .grey = true,
         .prompt = show(StrId::Prompt61505)},
        // StartAddress
        {.label = StrId::GridStartingAddress,
         .value = unset(&COMMAND::startAddress),
         .editable = true,
         .edit = EditRule{&COMMAND::startAddress, TextCheck::StartAddress, 0, 65535},
         .prompt = show(StrId::Prompt61506)},
        // Quantity: single writes move exactly one item
        {.label = StrId::GridNumberOfRegister,
         .value = unset(&COMMAND::quantity),
         .grey = [](const Cell &c) { return isSingleWrite(c.functionCode()); },
         .editable = [](const Cell &c) { return !isSingleWrite(c.functionCode()); },
         .edit = EditRule{&COMMAND::quantity, TextCheck::Quantity},
         .prompt = [](const ConfigStore &s) {
             if (profileOf(s).faultResetModel)
                 return show(StrId::Prompt61507);
             if (profileOf(s).hardwareConfigModel && s.fileVersion >= 500)
                 return show(StrId::Prompt61510);
             return show(StrId::Prompt61509);
         }},
        // MappingAddress, hex
        {.label = StrId::GridMappingAddress,
         .value = unset(&COMMAND::mappingAddress),
         .editable = true,
         .edit = EditRule{&COMMAND::mappingAddress, TextCheck::MappingAddress},
         .prompt = [](const ConfigStore &s) {
             return show(profileOf(s).faultResetModel ? StrId::Prompt61511 : StrId::Prompt61512);
         },
         .suffix = "H"},
        // MappingBit: only bit functions map single bits
        {.label = StrId::GridMappingBit,
         .value = unset(&COMMAND::mappingBit),
         .grey = [](const Cell &c) { return isRegisterFunction(c.functionCode()); },
         .editable = [](const Cell &c) { return isBitFunction(c.functionCode()); },
         .edit = EditRule{&COMMAND::mappingBit, TextCheck::CanonicalRange, 0, kMaxBitOffset},
         .prompt = show(StrId::Prompt61513)},
        // ByteCount, computed from the quantity
        {.label = StrId::GridNumberOfByte, .value = unset(&COMMAND::byteCount), .grey = true, .prompt = kEmptyPane},
        // DataFormat
        {.label = [](const Cell &c) {
             return usesDataFilter(c.store) ? StrId::GridDataFilter : StrId::GridByteExchange;
         },
         .value = [](const Cell &c) {
             if (!fixedDataFormat(c))
                 return raw(&COMMAND::dataFormat);
             return fixedText(usesDataFilter(c.store) ? StrId::FormatFullword : StrId::FormatNonExchange);
         },
         .grey = fixedDataFormat,
         .editable = [](const Cell &c) { return isRegisterFunction(c.functionCode()) && !fixedDataFormat(c); },
         .choices = [](const Cell &c) {
             if (usesDataFilter(c.store))
                 return texts({StrId::FormatFullword, StrId::FormatHighByte, StrId::FormatLowByte});
             // A single register has no four bytes to exchange.
             if (c.ethernet() && isFunction(c.functionCode(), FunctionCode::WriteSingleRegister))
                 return texts({StrId::FormatNonExchange, StrId::FormatDoubleByteExchange});
             return texts({StrId::FormatNonExchange, StrId::FormatDoubleByteExchange, StrId::FormatFourByteExchange});
         },
         .pick = storeIn(&COMMAND::dataFormat),
         .prompt = [](const ConfigStore &s) {
             if (profileOf(s).profibusModbus)
                 return show(StrId::Prompt61516);
             return show(profileOf(s).dataFilterModel ? StrId::Prompt61514 : StrId::Prompt61515);
         }},
        // CheckType, from the subnet's communication mode
        {.label = StrId::GridTypeOfCheck, .value = raw(&COMMAND::checkType), .grey = true, .prompt = kEmptyPane},
        // ScanType
        {.label = StrId::GridTypeOfScan,
         .value = raw(&COMMAND::scanType),
         .editable = true,
         .choices = listOf<StrId::ScanQuick, StrId::ScanSlow>,
         .pick = storeIn(&COMMAND::scanType),
         .prompt = show(StrId::Prompt61517)},
    }};
    return kRows;
}

// ---- lookup --------------------------------------------------------------------------------------

// The row of an item kind, or null outside its layout; `otherRows` is the prompt there.
struct RowLookup {
    const RowRules *rules = nullptr;
    PromptChoice otherRows;
};

template <std::size_t N> const RowRules *at(const std::array<RowRules, N> &rows, int row)
{
    return row >= 0 && row < static_cast<int>(N) ? &rows[static_cast<std::size_t>(row)] : nullptr;
}

RowLookup lookup(const ConfigStore &store, ItemKind kind, int row)
{
    switch (kind) {
    case ItemKind::Fieldbus: {
        if (row < 0)
            return {};
        const FieldbusFamily &family = fieldbusFamily(store.gatewayType);
        if (row < static_cast<int>(family.rows.size()))
            return {&family.rows[static_cast<std::size_t>(row)], kKeepPane};
        return {nullptr, family.otherRows};
    }
    case ItemKind::Subnet:
        return {at(subnetTable(), row), kKeepPane};
    case ItemKind::Node:
        return {row == rowIndex(NodeRow::Address) ? &kNodeAddressRow : nullptr, kKeepPane};
    case ItemKind::Command:
        return {at(commandTable(), row), kKeepPane};
    case ItemKind::None:
        break;
    }
    return {};
}

// The item's subnet and command, when the item stands for a record that can exist.
std::optional<Cell> cellFor(const ConfigStore &store, const ItemRef &item, bool pulseEditable, GridOccasion occasion)
{
    const auto cell = [&](int subnet, const COMMAND *command) {
        return Cell{store, item, store.subnet(subnet), command, pulseEditable, occasion};
    };
    const bool subnet = validSubnet(item.subnet);
    switch (item.kind) {
    case ItemKind::Fieldbus:
        return cell(0, nullptr);
    case ItemKind::Subnet:
        if (subnet)
            return cell(item.subnet, nullptr);
        break;
    case ItemKind::Node:
        if (subnet && item.number >= 1 && item.number <= kMaxNodes)
            return cell(item.subnet, nullptr);
        break;
    case ItemKind::Command:
        if (subnet && item.number >= 1 && item.number <= kMaxCommands)
            return cell(item.subnet, &store.command(item.subnet, item.number));
        break;
    case ItemKind::None:
        break;
    }
    return std::nullopt;
}

std::string render(const Shown &shown, const Cell &c)
{
    if (shown.form == Form::Text)
        return text(shown.text);
    const std::string *field = resolve(c.store, c.item, shown.field);
    if (!field)
        return {};
    switch (shown.form) {
    case Form::Raw:
        return *field;
    case Form::UnsetAsEmpty:
        return shownValue(*field);
    case Form::OrDefault:
        return field->empty() ? std::string(shown.fallback) : *field;
    case Form::OtherInterface:
        return otherInterface(*field);
    case Form::Text:
        break;
    }
    return {};
}

} // namespace

const std::string *fieldOf(const ConfigStore &store, const ItemRef &item, const FieldRef &field)
{
    return resolve(store, item, field);
}

std::string *fieldOf(ConfigStore &store, const ItemRef &item, const FieldRef &field)
{
    return resolve(store, item, field);
}

PromptChoice choosePrompt(const ConfigStore &store, ItemKind kind, int row)
{
    const RowLookup found = lookup(store, kind, row);
    return found.rules ? found.rules->prompt(store) : found.otherRows;
}

CellInfo describeCell(const ConfigStore &store, const ItemRef &item, int row, bool pulseEditable,
                      GridOccasion occasion)
{
    CellInfo info;
    const RowLookup found = lookup(store, item.kind, row);
    info.prompt = found.rules ? found.rules->prompt(store) : found.otherRows;
    if (!found.rules)
        return info;
    const RowRules &rules = *found.rules;
    info.suffix = rules.suffix;
    const std::optional<Cell> cell = cellFor(store, item, pulseEditable, occasion);
    if (!cell)
        return info;
    const Cell &c = *cell;

    if (const StrId label = rules.label(c); label != StrId{})
        info.label = text(label);
    const Shown shown = rules.value(c);
    info.value = render(shown, c);
    if (!info.value.empty())
        info.value += info.suffix;
    if (shown.form != Form::Text && shown.form != Form::OtherInterface)
        info.field = shown.field;
    info.grey = rules.grey(c);
    if (rules.editable(c)) {
        info.choices = rules.choices(c);
        info.editor = info.choices.empty() ? EditorKind::EditBox : EditorKind::List;
    }
    info.edit = rules.edit(c);
    info.pick = rules.pick(c);
    return info;
}

std::string rowLabelOf(const ConfigStore &store, const ItemRef &item, const FieldRef &field)
{
    // No item's layout is longer than the subnet's.
    const bool pulse = pulseEditableFor(store, item);
    for (int row = 0; row < kSubnetRowCount; ++row) {
        const CellInfo cell = describeCell(store, item, row, pulse);
        if (!cell.label.empty() && (cell.field == field || cell.edit.field == field || cell.pick.field == field))
            return cell.label;
    }
    return {};
}

bool pulseEditableFor(const ConfigStore &store, const ItemRef &item)
{
    return item.kind == ItemKind::Subnet && validSubnet(item.subnet) &&
           store.subnet(item.subnet).outputMode == text(StrId::OutputPulse);
}

} // namespace tqv
