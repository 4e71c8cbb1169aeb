#pragma once

#include "GatewaySession.h"

namespace tqv {

// The serial line: the upload and download procedures over the open port.
class SerialGatewaySession final : public GatewaySession {
public:
    SerialGatewaySession(ByteLink &port, std::function<void()> closePort, std::string portName, Clock &clock,
                         Prompter &prompter, TransferObserver &observer)
        : GatewaySession(clock, prompter, observer), m_port(port), m_closePort(std::move(closePort)),
          m_portName(std::move(portName))
    {
    }

    GatewayRoute route() const override { return GatewayRoute::Serial; }
    bool downloadMayOpen(ConfigStore &document, bool remoteConfigAllowed, Prompter &prompter) override;
    bool downloadPressChecks(ConfigStore &, bool, Prompter &) override { return true; }
    GatewayWrite write(const ConfigStore &configuration, bool incompleteMark) override;
    GatewayRead read(const ConfigStore &current) override { return readWith(current, m_prompter, m_observer); }

protected:
    GatewayRead readWith(const ConfigStore &current, Prompter &prompter, TransferObserver &observer) override;

private:
    void closeAfterMismatch();
    // The procedure's failure with the port it happened on.
    std::optional<TransferFailure> onPort(std::optional<TransferFailure> failure) const;

    ByteLink &m_port;
    std::function<void()> m_closePort;
    std::string m_portName;
};

} // namespace tqv
