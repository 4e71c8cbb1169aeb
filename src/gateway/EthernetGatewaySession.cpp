#include "EthernetGatewaySession.h"

#include "WriteChecks.h"
#include "resources/Strings.h"

namespace tqv {

namespace {

TransferOutcome outcomeOf(EthernetOutcome outcome)
{
    switch (outcome) {
    case EthernetOutcome::Succeeded:
        return TransferOutcome::Done;
    case EthernetOutcome::Cancelled:
        return TransferOutcome::Cancelled;
    case EthernetOutcome::Failed:
        break;
    }
    return TransferOutcome::Failed;
}

} // namespace

bool EthernetGatewaySession::downloadMayOpen(ConfigStore &, bool remoteConfigAllowed, Prompter &prompter)
{
    if (remoteConfigAllowed)
        return true;
    prompter.info(text(StrId::MsgRemoteConfigForbidden));
    return false;
}

bool EthernetGatewaySession::downloadPressChecks(ConfigStore &document, bool incompleteMark, Prompter &prompter)
{
    return ethernetWriteChecks(document, incompleteMark, prompter);
}

GatewayWrite EthernetGatewaySession::write(const ConfigStore &configuration, bool)
{
    // A new press starts on a new connection; the transfer lives on for the restart.
    m_transfer.reset();
    m_link = m_newConnection();
    m_transfer = std::make_unique<EthernetTransfer>(*m_link, m_clock, m_prompter, m_observer);
    m_transfer->setCancelFlag(m_cancel);
    const EthernetWriteResult result = m_transfer->write(configuration, m_target);
    GatewayWrite written{outcomeOf(result.outcome), result.message};
    written.failure = result.failure;
    return written;
}

RestartOutcome EthernetGatewaySession::offerRestart()
{
    return m_transfer ? m_transfer->offerRestart() : RestartOutcome::NotDownloaded;
}

GatewayRead EthernetGatewaySession::readWith(const ConfigStore &current, Prompter &prompter,
                                             TransferObserver &observer)
{
    // A connection of its own: a written one stays open for the restart.
    const std::unique_ptr<StreamLink> link = m_newConnection();
    EthernetTransfer transfer(*link, m_clock, prompter, observer);
    transfer.setCancelFlag(m_cancel);
    EthernetReadResult result = transfer.read(current, m_target);
    GatewayRead read;
    read.outcome = outcomeOf(result.outcome);
    read.message = std::move(result.message);
    read.failure = std::move(result.failure);
    if (read.outcome == TransferOutcome::Done)
        read.configuration = std::move(result.configuration);
    return read;
}

} // namespace tqv
