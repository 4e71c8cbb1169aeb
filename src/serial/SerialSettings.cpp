#include "SerialSettings.h"
#include "model/ModelProfile.h"

#include "model/Domain.h"
#include "resources/Strings.h"

#include <algorithm>

namespace tqv {

namespace {

template <typename Array> int indexOr0(int index, const Array &choices)
{
    return index >= 0 && static_cast<std::size_t>(index) < choices.size() ? index : 0;
}

constexpr std::string_view kDevicePrefix = "\\\\.\\";

} // namespace

std::vector<std::string> parityChoices()
{
    std::vector<std::string> out;
    for (StrId id : {StrId::SerialParityNone, StrId::SerialParityOdd, StrId::SerialParityEven,
                     StrId::SerialParityMark, StrId::SerialParitySpace})
        out.push_back(text(id));
    return out;
}

int defaultBaudIndex(std::uint32_t gatewayType)
{
    return isFourSubnetType(gatewayType) ? kBaudIndex115200 : kBaudIndex19200;
}

void rebuildPortList(SerialSettings &settings, const std::vector<std::string> &systemPorts,
                     std::uint32_t gatewayType)
{
    settings.ports = systemPorts;
    for (const std::string &typed : settings.typedPorts)
        if (std::find(settings.ports.begin(), settings.ports.end(), typed) == settings.ports.end())
            settings.ports.push_back(typed);
    settings.baudIndex = defaultBaudIndex(gatewayType);
}

void noteSettingsDialogCreated(SerialSettings &settings, std::uint32_t gatewayType)
{
    if (settings.dialogCreated)
        return;
    settings.dialogCreated = true;
    if (profileOf(gatewayType, ModelFlags{}).settingsDialogSetsBaud)
        settings.baudIndex = defaultBaudIndex(gatewayType);
}

void acceptSettings(SerialSettings &settings, const SerialChoice &choice)
{
    settings.portIndex = choice.port;
    settings.baudIndex = choice.baud;
    settings.parityIndex = choice.parity;
    settings.dataBitsIndex = choice.dataBits;
    settings.stopBitsIndex = choice.stopBits;
    settings.confirmed = true;
}

int portIndexForName(SerialSettings &settings, std::string_view name)
{
    if (name.empty())
        return -1;
    const auto found = std::find(settings.ports.begin(), settings.ports.end(), name);
    if (found != settings.ports.end())
        return static_cast<int>(found - settings.ports.begin());
    settings.ports.emplace_back(name);
    settings.typedPorts.emplace_back(name);
    return static_cast<int>(settings.ports.size()) - 1;
}

void confirmSettingsOnFirstUse(SerialSettings &settings, const std::function<void()> &showDialog)
{
    if (settings.confirmed)
        return;
    if (showDialog)
        showDialog();
    settings.confirmed = true;
}

std::optional<std::string> portForTransfer(SerialSettings &settings)
{
    if (settings.ports.empty())
        return std::nullopt;
    if (settings.portIndex < 0 || static_cast<std::size_t>(settings.portIndex) >= settings.ports.size())
        settings.portIndex = 0;
    return settings.ports[static_cast<std::size_t>(settings.portIndex)];
}

PortParameters portParameters(const SerialSettings &settings)
{
    static constexpr Parity kParities[] = {Parity::None, Parity::Odd, Parity::Even, Parity::Mark, Parity::Space};
    static constexpr int kDataBits[] = {8, 7, 6, 5};
    PortParameters p;
    p.baudRate = kBaudRates[static_cast<std::size_t>(indexOr0(settings.baudIndex, kBaudRates))];
    p.dataBits = kDataBits[indexOr0(settings.dataBitsIndex, kDataBitsTexts)];
    p.parity = kParities[indexOr0(settings.parityIndex, std::array<int, kParityChoiceCount>{})];
    p.stopBits = indexOr0(settings.stopBitsIndex, kStopBitsTexts) == 1 ? 2 : 1;
    return p;
}

std::string portOpenName(std::string_view listedName, PortNaming naming)
{
    if (naming == PortNaming::Windows && listedName.size() > 4 && !listedName.starts_with(kDevicePrefix))
        return std::string(kDevicePrefix) + std::string(listedName);
    return std::string(listedName);
}

Error portOpenError(PortOpenFailure failure, std::string_view portName)
{
    switch (failure) {
    case PortOpenFailure::NoPort:
        return {ErrorCode::SerialNoPort, text(StrId::MsgNoSerialPort)};
    case PortOpenFailure::Open:
        return {ErrorCode::SerialPortOpen, formatText(StrId::MsgPortOpenFailed, {portName})};
    case PortOpenFailure::ReadSettings:
        return {ErrorCode::SerialPortRead, text(StrId::MsgPortReadFailed)};
    case PortOpenFailure::WriteSettings:
        break;
    }
    return {ErrorCode::SerialPortSettings, text(StrId::MsgPortSetupFailed)};
}

} // namespace tqv
