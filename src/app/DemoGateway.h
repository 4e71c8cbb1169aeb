#pragma once

#include "io/SimulatorProcess.h"
#include "model/ConfigStore.h"

#include <QString>

#include <memory>

namespace tqv {

// The simulated gateway of `tqv580 --demo`: tqv580-gateway-sim playing a gateway of the
// configuration's type (on a pty, or on 127.0.0.1 for the Ethernet gateway), plus a second one on
// a pty of its own for serial monitoring where the type has it. They end with this object.
class DemoGateway {
public:
    // Starts the simulators for `store`'s type and flags. The Ethernet gateway's ports must be in
    // the environment already (see useLoopbackEndpoints). Nothing on failure; `error` says why.
    static std::unique_ptr<DemoGateway> start(const ConfigStore &store, const QString &simulator, QString &error);

    // Points the program's Ethernet endpoints (search address, gateway, local and monitoring ports)
    // at free ports on 127.0.0.1, unless the environment names them already.
    static void useLoopbackEndpoints();

    // The simulator beside the program's own binary.
    static QString simulatorBesideProgram();

    // The pty of the configuration gateway; empty for the Ethernet gateway.
    QString configurationLink() const;
    // The pty of the serial monitoring gateway; empty when monitoring runs over UDP or not at all.
    QString monitorLink() const;
    // What the status bar says while the demo runs.
    QString description() const;

private:
    DemoGateway() = default;
    std::unique_ptr<SimulatorProcess> m_configuration;
    std::unique_ptr<SimulatorProcess> m_monitor;
    bool m_ethernet = false;
};

} // namespace tqv
