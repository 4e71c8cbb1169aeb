#pragma once

#include "GatewaySession.h"

namespace tqv {

// The Ethernet gateway: one TCP connection per transfer, the whole configuration as one image.
// The connection of an acknowledged write stays open for the restart offered when leaving.
class EthernetGatewaySession final : public GatewaySession {
public:
    EthernetGatewaySession(std::function<std::unique_ptr<StreamLink>()> newConnection, EthernetTarget target,
                           Clock &clock, Prompter &prompter, TransferObserver &observer)
        : GatewaySession(clock, prompter, observer), m_newConnection(std::move(newConnection)),
          m_target(std::move(target))
    {
    }

    GatewayRoute route() const override { return GatewayRoute::Ethernet; }
    bool downloadMayOpen(ConfigStore &document, bool remoteConfigAllowed, Prompter &prompter) override;
    bool downloadPressChecks(ConfigStore &document, bool incompleteMark, Prompter &prompter) override;
    GatewayWrite write(const ConfigStore &configuration, bool incompleteMark) override;
    GatewayRead read(const ConfigStore &current) override { return readWith(current, m_prompter, m_observer); }
    RestartOutcome offerRestart() override;
    bool restartPending() const override { return m_transfer && m_transfer->downloaded(); }

protected:
    GatewayRead readWith(const ConfigStore &current, Prompter &prompter, TransferObserver &observer) override;

private:
    std::function<std::unique_ptr<StreamLink>()> m_newConnection;
    EthernetTarget m_target;
    // The last write's connection and transfer, kept for the restart.
    std::unique_ptr<StreamLink> m_link;
    std::unique_ptr<EthernetTransfer> m_transfer;
};

} // namespace tqv
