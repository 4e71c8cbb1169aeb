#include "ProjectLanguage.h"

#include "ProjectArchive.h"
#include "resources/CodePage.h"

#include <initializer_list>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

namespace tqv {

namespace {

// The vocabularies of the enumerated fields, by string id.
constexpr StrId kOnOff[] = {StrId::Enable, StrId::Disable};
constexpr StrId kProtocols[] = {StrId::ProtocolModbusMaster, StrId::ProtocolModbusSlave, StrId::ProtocolUserConfig,
                                StrId::ProtocolSelfDefining};
constexpr StrId kParities[] = {StrId::ParityNone, StrId::ParityOdd, StrId::ParityEven, StrId::ParityMark,
                               StrId::ParitySpace};
constexpr StrId kOutputModes[] = {StrId::OutputCycle, StrId::OutputForbidden, StrId::OutputChangeOfValue,
                                  StrId::OutputPulse};
constexpr StrId kFrameTypes[] = {StrId::FrameCharTimeout, StrId::FrameLength};
constexpr StrId kTimeoutActions[] = {StrId::TimeoutClearData, StrId::TimeoutHoldData};
constexpr StrId kDeviceNetBauds[] = {StrId::DeviceNetBaud125K, StrId::DeviceNetBaud250K, StrId::DeviceNetBaud500K,
                                     StrId::DeviceNetBaudAuto};
constexpr StrId kProfibusModes[] = {StrId::ProfibusUseBytesSelection, StrId::ProfibusInputConfigData};
constexpr StrId kIpModes[] = {StrId::IpManualAssign, StrId::IpBootp, StrId::IpDhcp};
constexpr StrId kFieldbusTypes[] = {StrId::FieldbusDeviceNet, StrId::FieldbusProfibus, StrId::FieldbusEtherNetIp};
constexpr StrId kScanTypes[] = {StrId::ScanQuick, StrId::ScanSlow};
constexpr StrId kDataFormats[] = {StrId::FormatNonExchange, StrId::FormatDoubleByteExchange,
                                  StrId::FormatFourByteExchange, StrId::FormatFullword,
                                  StrId::FormatHighByte, StrId::FormatLowByte};
constexpr StrId kCheckTypes[] = {StrId::CheckCrc, StrId::CheckLrc};

using Vocabulary = std::span<const StrId>;

// One enumerated value of the configuration and the texts it may hold.
template <typename Text> struct ValueRef {
    Text *value;
    Vocabulary vocabulary; // empty: the command status, "Disable" or a digit and "Bytes"
};

// Every enumerated value of `store`; Store is ConfigStore or const ConfigStore.
template <typename Store, typename Text = std::conditional_t<std::is_const_v<Store>, const std::string, std::string>>
std::vector<ValueRef<Text>> enumeratedValues(Store &store)
{
    std::vector<ValueRef<Text>> out;
    auto &f = store.fieldbus;
    out.push_back({&f.fieldbusType, kFieldbusTypes});
    out.push_back({&f.deviceNetBaud, kDeviceNetBauds});
    out.push_back({&f.profibusConfigMode, kProfibusModes});
    out.push_back({&f.ipAssignMode, kIpModes});
    for (auto &c : store.subnets) {
        for (Text *v : {&c.doubleFaultReset, &c.autoSend, &c.crcCheck, &c.inputLengthPrefix})
            out.push_back({v, kOnOff});
        out.push_back({&c.protocol, kProtocols});
        for (Text *v : {&c.masterParity, &c.slaveParity, &c.customParity, &c.userParity})
            out.push_back({v, kParities});
        out.push_back({&c.outputMode, kOutputModes});
        out.push_back({&c.commandStatus, {}});
        out.push_back({&c.timeoutAction, kTimeoutActions});
        out.push_back({&c.frameType, kFrameTypes});
        // Only the commands in use: the free slots hold whatever the reading program put there.
        for (int i = 0; i < c.commandCount && i < kMaxCommands; ++i) {
            auto &command = c.commands[static_cast<std::size_t>(i)];
            out.push_back({&command.dataFormat, kDataFormats});
            out.push_back({&command.checkType, kCheckTypes});
            out.push_back({&command.scanType, kScanTypes});
        }
    }
    return out;
}

// The value's text in `to` when it is `from`'s text of a word of its vocabulary.
template <typename Text>
std::optional<std::string> translated(const ValueRef<Text> &ref, Language from, Language to)
{
    const std::string &value = *ref.value;
    if (ref.vocabulary.empty()) {
        // "Disable", or one digit directly followed by the text "Bytes".
        if (value == text(StrId::Disable, from))
            return text(StrId::Disable, to);
        if (value.size() > 1 && value[0] >= '1' && value[0] <= '6' && value.substr(1) == text(StrId::Bytes, from))
            return value.substr(0, 1) + text(StrId::Bytes, to);
        return std::nullopt;
    }
    for (StrId id : ref.vocabulary)
        if (value == text(id, from))
            return text(id, to);
    return std::nullopt;
}

} // namespace

std::optional<Language> valuesLanguage(const ConfigStore &store)
{
    int english = 0;
    int chinese = 0;
    for (const auto &ref : enumeratedValues(store)) {
        // A text of one language that the other spells the same (a "CRC", a "125K") tells nothing.
        const auto asChinese = translated(ref, Language::English, Language::Chinese);
        const auto asEnglish = translated(ref, Language::Chinese, Language::English);
        english += asChinese && *asChinese != *ref.value;
        chinese += asEnglish && *asEnglish != *ref.value;
    }
    if (english == chinese)
        return std::nullopt;
    return english > chinese ? Language::English : Language::Chinese;
}

std::optional<Language> projectFileLanguage(std::string_view bytes)
{
    // The value texts of the English set are plain ASCII, which both code pages read alike, so
    // reading as GBK shows the texts of either language as they are.
    auto store = std::make_unique<ConfigStore>();
    if (!readProject(bytes, CodePage::Gbk, *store).ok())
        return std::nullopt;
    return valuesLanguage(*store);
}

int convertValuesLanguage(ConfigStore &store, Language from, Language to)
{
    if (from == to)
        return 0;
    int changed = 0;
    for (const auto &ref : enumeratedValues(store)) {
        if (auto converted = translated(ref, from, to); converted && *converted != *ref.value) {
            *ref.value = std::move(*converted);
            ++changed;
        }
    }
    return changed;
}

} // namespace tqv
