#pragma once

#include "io/SimulatorProcess.h"

#ifndef TQV_GATEWAY_SIM_BINARY
#error "TQV_GATEWAY_SIM_BINARY must name the built tqv580-gateway-sim"
#endif

namespace tqv {

// The built tqv580-gateway-sim with the given arguments (see SimulatorProcess).
class GatewaySimProcess : public SimulatorProcess {
public:
    explicit GatewaySimProcess(QStringList arguments)
        : SimulatorProcess(QStringLiteral(TQV_GATEWAY_SIM_BINARY), std::move(arguments))
    {
    }
};

} // namespace tqv
