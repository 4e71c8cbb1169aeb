#include "ProjectLanguage.h"

#include <vector>

namespace tqv {

namespace {

// The enumerated values a configuration stores as display texts.
constexpr StrId kValueTexts[] = {
    StrId::Enable,           StrId::Disable,          StrId::ProtocolModbusMaster, StrId::ProtocolModbusSlave,
    StrId::ProtocolUserConfig, StrId::ProtocolSelfDefining, StrId::ParityNone,    StrId::ParityOdd,
    StrId::ParityEven,       StrId::ParityMark,       StrId::ParitySpace,          StrId::OutputCycle,
    StrId::OutputForbidden,  StrId::OutputChangeOfValue, StrId::OutputPulse,      StrId::FrameCharTimeout,
    StrId::FrameLength,      StrId::TimeoutClearData, StrId::TimeoutHoldData,      StrId::DeviceNetBaud125K,
    StrId::DeviceNetBaud250K, StrId::DeviceNetBaud500K, StrId::DeviceNetBaudAuto, StrId::ProfibusUseBytesSelection,
    StrId::ProfibusInputConfigData, StrId::IpManualAssign, StrId::ScanQuick,       StrId::ScanSlow,
    StrId::FormatNonExchange, StrId::FormatDoubleByteExchange, StrId::FormatFourByteExchange, StrId::FormatFullword,
    StrId::FormatHighByte,   StrId::FormatLowByte,
};

bool isValueText(const std::string &value, Language language)
{
    for (StrId id : kValueTexts)
        if (value == text(id, language))
            return true;
    return false;
}

} // namespace

std::optional<Language> foreignProjectLanguage(const ConfigStore &store)
{
    std::vector<const std::string *> values = {&store.fieldbus.deviceNetBaud, &store.fieldbus.profibusConfigMode,
                                               &store.fieldbus.ipAssignMode};
    for (const CONFIG &c : store.subnets) {
        for (const std::string *v : {&c.protocol, &c.masterParity, &c.slaveParity, &c.outputMode, &c.frameType,
                                     &c.autoSend, &c.crcCheck, &c.timeoutAction})
            values.push_back(v);
        for (int p = 0; p < c.commandCount && p < kMaxCommands; ++p) {
            values.push_back(&c.commands[static_cast<std::size_t>(p)].scanType);
            values.push_back(&c.commands[static_cast<std::size_t>(p)].dataFormat);
        }
    }
    const Language active = currentLanguage();
    const Language other = active == Language::English ? Language::Chinese : Language::English;
    int activeOnly = 0;
    int otherOnly = 0;
    for (const std::string *v : values) {
        const bool inActive = isValueText(*v, active);
        const bool inOther = isValueText(*v, other);
        activeOnly += inActive && !inOther;
        otherOnly += inOther && !inActive;
    }
    if (activeOnly == 0 && otherOnly > 0)
        return other;
    return std::nullopt;
}

} // namespace tqv
