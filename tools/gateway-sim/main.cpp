// tqv580-gateway-sim: a TQV-580 gateway on a pseudo-terminal, for tests and demos.
#include "GatewayModel.h"
#include "GatewayResponder.h"
#include "GatewaySimulator.h"
#include "MemoryCodec.h"
#include "PtyPort.h"
#include "SimCommandLine.h"
#include "StateFile.h"
#include "StopSignal.h"

#include "resources/Strings.h"

#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

int main(int argc, char **argv)
{
    using namespace tqvsim;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    SimCommandLine::Parsed parsed = SimCommandLine::parse(args);
    if (!parsed.options) {
        std::cerr << "tqv580-gateway-sim: " << parsed.error << "\nTry tqv580-gateway-sim --help.\n";
        return 2;
    }
    SimOptions &options = *parsed.options;
    if (options.help) {
        std::cout << SimCommandLine::helpText();
        return 0;
    }
    tqv::setLanguage(options.language);

    // What the gateway holds at start: a download of the state file, or of a new configuration.
    auto store = std::make_unique<tqv::ConfigStore>();
    store->newConfiguration();
    if (!options.stateFile.empty()) {
        if (auto problem = StateFile::load(options.stateFile, *store)) {
            std::cerr << "tqv580-gateway-sim: " << *problem << "\n";
            return 2;
        }
        if (options.gatewayType)
            store->gatewayType = *options.gatewayType;
    } else if (options.gatewayType) {
        store->gatewayType = *options.gatewayType;
        store->resetToDefaults();
        store->applyFieldbusType();
    }
    const GatewayModel model(store->gatewayType);
    GatewayResponder responder(model, options.firmwareMajor, options.firmwareMinor, MemoryCodec::encode(*store));
    if (options.reportedType)
        responder.setReportedType(*options.reportedType);

    if (std::string problem = StopSignal::install(); !problem.empty()) {
        std::cerr << "tqv580-gateway-sim: " << problem << "\n";
        return 1;
    }
    std::string problem;
    std::unique_ptr<PtyPort> port = PtyPort::open(options.link, problem);
    if (!port) {
        std::cerr << "tqv580-gateway-sim: " << problem << "\n";
        return 1;
    }
    GatewaySimulator simulator(std::move(port), std::move(responder), std::move(options.failures),
                               options.lineSpeed, std::move(store), options.saveFile);
    return simulator.run();
}
