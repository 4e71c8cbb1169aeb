#include "GatewaySession.h"

#include "EthernetGatewaySession.h"
#include "SerialGatewaySession.h"
#include "model/Domain.h"
#include "resources/Strings.h"

namespace tqv {

namespace {

// The verification's read-back shows nothing: its outcome is the verdict.
class SilentObserver final : public TransferObserver {
public:
    void setTitle(const std::string &) override {}
    void setStatus(const std::string &) override {}
    void setLine(int, const std::string &, LineState) override {}
    void setProgress(int, int) override {}
};

class SilentPrompter final : public Prompter {
public:
    void info(const std::string &) override {}
    bool askYesNo(const std::string &) override { return false; }
    bool askOkCancel(const std::string &) override { return false; }
    Answer askYesNoCancel(const std::string &) override { return Answer::Cancel; }
};

} // namespace

GatewayRoute gatewayRouteOf(const ConfigStore &configuration)
{
    return isEthernetType(configuration.gatewayType) ? GatewayRoute::Ethernet : GatewayRoute::Serial;
}

Carried carriedBy(GatewayRoute route) { return route == GatewayRoute::Ethernet ? Carried::Ethernet : Carried::Serial; }

Verification verificationOf(const ConfigStore &project, const GatewayRead &read, Carried carried)
{
    Verification v;
    if (!read.complete()) {
        v.failedStep = read.message;
        return v;
    }
    v.differences = compareConfigurations(project, read.configuration, carried, read.firmware);
    v.verdict = v.differences.empty() ? Verification::Verdict::Equal : Verification::Verdict::Different;
    return v;
}

std::string Verification::summary() const
{
    switch (verdict) {
    case Verdict::Equal:
        return text(StrId::VerifyEqual);
    case Verdict::Different:
        return differences.size() == 1 ? text(StrId::DiffOne)
                                       : formatText(StrId::DiffCount, {std::to_string(differences.size())});
    case Verdict::NotVerified:
        break;
    }
    return failedStep.empty() ? text(StrId::VerifyFailed) : formatText(StrId::VerifyIncomplete, {failedStep});
}

Verification GatewaySession::verify(const ConfigStore &project)
{
    SilentPrompter prompter;
    SilentObserver observer;
    return verificationOf(project, readWith(project, prompter, observer), carriedBy(route()));
}

std::unique_ptr<GatewaySession> makeGatewaySession(const ConfigStore &configuration, GatewayLinks links, Clock &clock,
                                                   Prompter &prompter, TransferObserver &observer)
{
    if (gatewayRouteOf(configuration) == GatewayRoute::Ethernet)
        return std::make_unique<EthernetGatewaySession>(std::move(links.newConnection), std::move(links.target), clock,
                                                        prompter, observer);
    if (!links.port)
        return nullptr;
    return std::make_unique<SerialGatewaySession>(*links.port, std::move(links.closePort), std::move(links.portName),
                                                  clock, prompter, observer);
}

} // namespace tqv
