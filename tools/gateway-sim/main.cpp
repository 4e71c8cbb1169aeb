// tqv580-gateway-sim: a TQV-580 gateway on a pseudo-terminal or on loopback, for tests and demos.
#include "EthernetImageCodec.h"
#include "EthernetResponder.h"
#include "EthernetSimulator.h"
#include "GatewayModel.h"
#include "GatewayResponder.h"
#include "GatewaySimulator.h"
#include "MemoryCodec.h"
#include "MonitorRecords.h"
#include "MonitorSimulator.h"
#include "ValueCodes.h"
#include "PtyPort.h"
#include "SimCommandLine.h"
#include "StateFile.h"
#include "StopSignal.h"

#include "resources/Strings.h"

#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

namespace {

// The Ethernet gateway (type 4) on 127.0.0.1.
int runEthernet(tqvsim::SimOptions &options)
{
    using namespace tqvsim;
    std::string problem;
    const auto port = EthernetSimulator::portFromEnvironment(problem);
    if (!port) {
        std::cerr << "tqv580-gateway-sim: " << problem << "\n";
        return 2;
    }
    const auto monitorPort = EthernetSimulator::portFromEnvironment(
        "TQV580_MONITOR_PORT", EthernetSimulator::kDefaultMonitorPort, problem);
    if (!monitorPort) {
        std::cerr << "tqv580-gateway-sim: " << problem << "\n";
        return 2;
    }
    auto store = std::make_unique<tqv::ConfigStore>();
    store->newConfiguration();
    if (!options.stateFile.empty()) {
        if (auto loadProblem = StateFile::load(options.stateFile, *store)) {
            std::cerr << "tqv580-gateway-sim: " << *loadProblem << "\n";
            return 2;
        }
        if (store->gatewayType != 4) {
            std::cerr << "tqv580-gateway-sim: " << options.stateFile << " is a gateway of type " << store->gatewayType
                      << "; --ethernet needs type 4\n";
            return 2;
        }
        if (const auto subnet = EthernetImageCodec::commandsOverflow(*store)) {
            std::cerr << "tqv580-gateway-sim: subnet " << *subnet + 1 << " of " << options.stateFile << " holds "
                      << store->subnets[static_cast<std::size_t>(*subnet)].commandCount
                      << " commands; the image holds at most " << EthernetImageCodec::kSlotCount << "\n";
            return 2;
        }
    } else {
        store->gatewayType = 4;
        store->resetToDefaults();
        store->applyFieldbusType();
    }
    EthernetIdentity identity;
    identity.ip = options.ip;
    identity.mac = options.mac;
    identity.firmwareMajor = options.firmwareMajor;
    identity.firmwareMinor = options.firmwareMinor;
    identity.permission = options.permission;
    EthernetResponder responder(identity, EthernetImageCodec::encode(*store), options.ethernetFailures);

    if (std::string stopProblem = StopSignal::install(); !stopProblem.empty()) {
        std::cerr << "tqv580-gateway-sim: " << stopProblem << "\n";
        return 1;
    }
    EthernetSimulator simulator(std::move(responder), std::move(options.ethernetFailures), *port, std::move(store),
                                options.saveFile);
    simulator.enableMonitoring(*monitorPort, options.monitorResendMs);
    return simulator.run();
}

// The monitor side of a serial gateway on the pty.
int runMonitor(tqvsim::SimOptions &options, const tqv::ConfigStore &store, const tqvsim::GatewayModel &model)
{
    using namespace tqvsim;
    MonitorSimulator::Settings settings;
    settings.kind = *options.monitor;
    settings.subnetType = options.monitorType.value_or(MonitorRecords::subnetType(store));
    settings.slaveForm = MonitorRecords::subnetType(store) != ValueCodes::kModbusMaster;
    settings.resendMs = options.monitorResendMs;
    settings.lineSpeed = options.lineSpeed;
    MonitorSequence sequence(MonitorSequence::commandsOf(store, model.subnetCount()));

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
    MonitorSimulator simulator(std::move(port), std::move(sequence), settings, std::move(options.failures));
    return simulator.run();
}

} // namespace

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
    if (options.ethernet)
        return runEthernet(options);

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
    if (options.monitor)
        return runMonitor(options, *store, model);
    GatewayResponder responder(model, static_cast<std::uint8_t>(options.firmwareMajor),
                               static_cast<std::uint8_t>(options.firmwareMinor), MemoryCodec::encode(*store));
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
