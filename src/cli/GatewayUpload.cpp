#include "GatewayUpload.h"

#include "CliApp.h"
#include "ethernet/DeviceSearch.h"
#include "ethernet/MessageHeader.h"
#include "io/QtTcpLink.h"
#include "resources/Strings.h"
#include "serial/SerialSettings.h"

#include <algorithm>
#include <ostream>

namespace tqv {

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

std::unique_ptr<CliGateway> openGateway(CliApp &app, const ConfigStore &configuration, const GatewayAccess &access,
                                        Prompter &prompter, int &exitCode)
{
    exitCode = kExitUsage;
    auto gateway = std::make_unique<CliGateway>(app.err());
    GatewayLinks links;
    if (gatewayRouteOf(configuration) == GatewayRoute::Serial) {
        if (access.port.empty()) {
            app.err() << text(access.noSerialWay) << '\n';
            return nullptr;
        }
        const auto parameters = parametersFor(app, access.baud, configuration.gatewayType);
        if (!parameters)
            return nullptr;
        if (const Status opened = gateway->port.open(access.port, *parameters); !opened) {
            app.err() << opened.message() << '\n';
            exitCode = kExitProblem;
            return nullptr;
        }
        links.port = &gateway->port;
        links.portName = access.port;
        links.closePort = [port = &gateway->port] { port->close(); };
    } else {
        if (access.address.empty()) {
            app.err() << text(access.noNetworkWay) << '\n';
            return nullptr;
        }
        if (!checkAddress(app, access.address))
            return nullptr;
        links.newConnection = [] { return std::make_unique<QtTcpLink>(); };
        links.target = {access.address, endpointsFromEnvironment().gatewayPort};
    }
    gateway->session = makeGatewaySession(configuration, std::move(links), gateway->clock, prompter, gateway->observer);
    exitCode = kExitOk;
    return gateway;
}

GatewayReadBack readGateway(CliApp &app, const ConfigStore &current, const GatewayAccess &access)
{
    GatewayReadBack back;
    const auto gateway = openGateway(app, current, access, app.prompter(), back.exitCode);
    if (!gateway)
        return back;
    back.read = gateway->session->read(current);
    if (back.read.outcome == TransferOutcome::Stopped)
        back.exitCode = kExitUsage;
    else if (back.read.outcome != TransferOutcome::Done)
        back.exitCode = kExitProblem;
    // A read that failed without a message of its own (the request could not be sent).
    if (back.read.outcome == TransferOutcome::Failed && back.read.message.empty())
        app.err() << text(StrId::CliReadRequestFailed) << '\n';
    reportFailure(app, back.read.failure);
    return back;
}

void reportFailure(CliApp &app, const std::optional<TransferFailure> &failure)
{
    if (!failure)
        return;
    for (const std::string &line : failure->lines())
        app.err() << line << '\n';
}

} // namespace tqv
