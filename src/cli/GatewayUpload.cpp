#include "GatewayUpload.h"

#include "CliApp.h"
#include "ethernet/DeviceSearch.h"
#include "ethernet/MessageHeader.h"
#include "ethernet/EthernetTransfer.h"
#include "io/QtTcpLink.h"
#include "resources/Strings.h"
#include "serial/SerialSettings.h"
#include "serial/UploadProcedure.h"

#include <algorithm>
#include <ostream>

namespace tqv {

std::unique_ptr<PortSession> openPort(CliApp &app, const std::string &port, const PortParameters &parameters)
{
    auto session = std::make_unique<PortSession>(app.err());
    if (const Status opened = session->link.open(port, parameters); !opened) {
        app.err() << opened.message() << '\n';
        return nullptr;
    }
    return session;
}

std::optional<PortParameters> parametersFor(CliApp &app, const std::string &baud, std::uint32_t gatewayType)
{
    SerialSettings settings;
    settings.baudIndex = defaultBaudIndex(gatewayType);
    PortParameters parameters = portParameters(settings);
    if (baud.empty())
        return parameters;
    const auto it =
        std::find_if(kBaudRateTexts.begin(), kBaudRateTexts.end(), [&](const char *t) { return baud == t; });
    if (it == kBaudRateTexts.end()) {
        app.err() << formatText(StrId::CliBadBaud, {baud}) << '\n';
        return std::nullopt;
    }
    parameters.baudRate = kBaudRates[static_cast<std::size_t>(it - kBaudRateTexts.begin())];
    return parameters;
}

bool checkAddress(CliApp &app, const std::string &address)
{
    if (ipv4Value(address))
        return true;
    app.err() << formatText(StrId::CliBadAddress, {address}) << '\n';
    return false;
}

GatewayRead uploadOverSerial(CliApp &app, const ConfigStore &current, const std::string &port, const std::string &baud)
{
    GatewayRead read;
    const auto parameters = parametersFor(app, baud, current.gatewayType);
    if (!parameters) {
        read.exitCode = kExitUsage;
        return read;
    }
    const auto session = openPort(app, port, *parameters);
    if (!session)
        return read;
    UploadProcedure upload(session->link, session->clock, app.prompter(), session->observer);
    UploadResult result = upload.run(current);
    if (result.outcome != UploadOutcome::Uploaded)
        return read;
    read.exitCode = kExitOk;
    read.configuration = std::make_unique<ConfigStore>(std::move(result.configuration));
    read.firmware = result.store.firmwareVersion();
    read.message = std::move(result.message);
    return read;
}

GatewayRead uploadOverEthernet(CliApp &app, const ConfigStore &current, const std::string &address)
{
    GatewayRead read;
    if (!checkAddress(app, address)) {
        read.exitCode = kExitUsage;
        return read;
    }
    QtRuntime runtime;
    QtTcpLink link;
    SteadyClock clock;
    TerminalObserver observer(app.err());
    EthernetTransfer transfer(link, clock, app.prompter(), observer);
    EthernetReadResult result = transfer.read(current, {address, endpointsFromEnvironment().gatewayPort});
    if (result.outcome != EthernetOutcome::Succeeded) {
        if (result.message.empty() && result.outcome == EthernetOutcome::Failed)
            app.err() << text(StrId::CliReadRequestFailed) << '\n';
        return read;
    }
    read.exitCode = kExitOk;
    read.configuration = std::make_unique<ConfigStore>(std::move(result.configuration));
    return read;
}

} // namespace tqv
