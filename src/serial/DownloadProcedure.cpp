#include "DownloadProcedure.h"
#include "model/ModelProfile.h"

#include "Exchange.h"
#include "FrameBuilder.h"
#include "ReplyDecoder.h"
#include "UploadProcedure.h"
#include "ValueCodes.h"
#include "model/MappingValues.h"
#include "resources/Strings.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace tqv {

namespace {

// The firmware-dependent extras are the ones the upload reads back.
bool writesTimeoutAction(const ConfigStore &store, int firmware) { return transferExtrasOf(store, firmware).timeoutAction; }
bool writesProfibusConfigData(const ConfigStore &store, int firmware)
{
    return transferExtrasOf(store, firmware).profibusConfig;
}
bool writesCharIntervals(const ConfigStore &store, int firmware) { return transferExtrasOf(store, firmware).charIntervals; }
bool writesFieldbus(const ConfigStore &store) { return downloadWritesFieldbus(store); }
bool writesCommands(const CONFIG &subnet) { return downloadWritesCommands(subnet); }

// The exchanges a download of `store` runs when every step succeeds. Before the gateway has told
// its firmware version (`firmware` empty) the extras that depend on it are not counted yet.
int plannedExchanges(const ConfigStore &store, std::optional<int> firmware)
{
    int count = 1; // gateway type
    if (writesFieldbus(store))
        ++count;
    for (int s = 0; s < serialSubnetCountOf(store.gatewayType); ++s) {
        const CONFIG &c = store.subnet(s);
        ++count;
        if (writesCommands(c))
            count += 1 + usedCommands(c);
    }
    const int fw = firmware.value_or(0);
    count += writesTimeoutAction(store, fw) ? 1 : 0;
    count += writesProfibusConfigData(store, fw) ? 1 : 0;
    count += writesCharIntervals(store, fw) ? 1 : 0;
    return count;
}

// The dialog's lines by the type the gateway reports: three step lines, or the four subnet lines
// of the four-subnet gateway; none for a type without texts of its own.
std::vector<std::string> lineTexts(std::uint8_t reportedType)
{
    switch (reportedType) {
    case 1:
        return {text(StrId::DownloadStepDeviceNet), text(StrId::DownloadStepModbusParameter),
                text(StrId::DownloadStepModbusCommand)};
    case 2:
    case 6:
    case 7:
        return {text(StrId::DownloadStepProfibus), text(StrId::DownloadStepModbusParameter),
                text(StrId::DownloadStepModbusCommand)};
    case 3: {
        std::vector<std::string> lines;
        for (int k = 1; k <= kSubnetCount; ++k)
            lines.push_back(formatText(StrId::DownloadSubnetLine, {std::to_string(k)}));
        return lines;
    }
    case 4:
        return {text(StrId::DownloadStepProfibus), text(StrId::DownloadStepSubnetParameter),
                text(StrId::DownloadStepSubnetCommand)};
    default:
        return {};
    }
}

// The step lines of a one-subnet download.
constexpr int kFieldbusLine = 0;
constexpr int kSubnetLine = 1;
constexpr int kCommandLine = 2;
constexpr int kMaxLines = kSubnetCount;

// One press of "Download" after its pre-checks: the exchanges in their order on a private copy
// of the configuration. Each step returns a result when the download ends there, nothing when it
// goes on.
class DownloadRun {
public:
    DownloadRun(ByteLink &link, Clock &clock, Prompter &prompter, TransferObserver &observer,
                const std::atomic<bool> *cancel, const ConfigStore &configuration)
        : m_store(std::make_unique<ConfigStore>(configuration)),
          m_exchange(link, clock, Judge::Download, ReplyContext::of(*m_store)), m_prompter(prompter),
          m_observer(observer)
    {
        m_exchange.setCancelFlag(cancel);
    }

    DownloadResult run()
    {
        // Building the frames recomputes the byte counts: on the copy, never the caller's.
        const ConfigFrames frames = buildConfigFrames(*m_store);
        m_observer.setTitle(text(StrId::DownloadTitle));
        m_observer.setStatus(text(StrId::TransferPleaseWait));
        for (int i = 0; i < kMaxLines; ++i)
            m_observer.setLine(i, {}, LineState::Hidden);
        m_total = plannedExchanges(*m_store, std::nullopt);
        m_observer.setProgress(0, m_total);

        const ExchangeResult identity = exchange(frames.readGatewayType);
        if (identity.status == ExchangeStatus::Cancelled)
            return cancelled();
        const auto data = identity.accepted() ? decodeGatewayTypeReply(identity.reply) : std::nullopt;
        if (!data)
            return fail(text(StrId::MsgDownloadFailed));
        const GatewayIdentity gateway = gatewayIdentity(*data);
        m_firmware = gateway.firmwareVersion;

        const bool ethernetVariant = gateway.reportedType == reportedTypeOf(profileOf(*m_store).serialIdentityType);
        if (reportedTypeOf(m_store->gatewayType) != gateway.reportedType && !ethernetVariant) {
            const std::string message = text(StrId::MsgTypeMismatch);
            m_prompter.error(message);
            TransferFailure failure = failureOf(m_lastRequest, identity);
            failure.reason = FailureReason::OtherType;
            failure.reported = std::to_string(gateway.reportedType);
            failure.expected = std::to_string(reportedTypeOf(m_store->gatewayType));
            return {DownloadOutcome::TypeMismatch, message, std::move(failure)};
        }
        m_total = plannedExchanges(*m_store, m_firmware);
        m_observer.setProgress(m_done, m_total);
        showLines(gateway.reportedType);

        if (auto end = writeFieldbus(frames))
            return *end;
        if (auto end = isFourSubnetType(m_store->gatewayType) ? writeFourSubnets() : writeOneSubnet())
            return *end;
        if (auto end = writeExtras())
            return *end;

        m_observer.setTitle({});
        m_observer.setStatus(text(StrId::DownloadFinished));
        return writeCharIntervals();
    }

private:
    // One exchange, counted in the progress once it has ended with a reply or without one.
    ExchangeResult exchange(const Frame &request)
    {
        ExchangeResult r = m_exchange.run(request);
        countExchange(r);
        m_lastRequest = request;
        m_lastResult = r;
        return r;
    }

    void countExchange(const ExchangeResult &r)
    {
        if (r.status != ExchangeStatus::Cancelled)
            m_observer.setProgress(++m_done, m_total);
    }

    DownloadResult fail(std::string message, std::optional<int> line = std::nullopt)
    {
        if (line)
            mark(*line, LineState::Failed);
        m_prompter.error(message);
        // Every failure is that of the exchange just made.
        return {DownloadOutcome::Failed, std::move(message), failureOf(m_lastRequest, m_lastResult)};
    }

    static DownloadResult cancelled() { return {DownloadOutcome::Cancelled, {}}; }

    void showLines(std::uint8_t reportedType)
    {
        m_lines = lineTexts(reportedType);
        for (std::size_t i = 0; i < m_lines.size(); ++i)
            m_observer.setLine(static_cast<int>(i), m_lines[i], LineState::Running);
    }

    // A line the gateway's type has no text for stays hidden.
    void mark(int line, LineState state)
    {
        if (line >= 0 && static_cast<std::size_t>(line) < m_lines.size())
            m_observer.setLine(line, m_lines[static_cast<std::size_t>(line)], state);
    }

    std::optional<DownloadResult> writeFieldbus(const ConfigFrames &frames)
    {
        if (writesFieldbus(*m_store)) {
            const ExchangeResult r =
                exchange(isDeviceNetType(m_store->gatewayType) ? frames.writeDeviceNet : frames.writeProfibus);
            if (r.status == ExchangeStatus::Cancelled)
                return cancelled();
            if (!r.accepted())
                return fail(text(StrId::MsgWriteFieldbusFailed), kFieldbusLine);
        }
        mark(kFieldbusLine, LineState::Done);
        return std::nullopt;
    }

    std::optional<DownloadResult> writeOneSubnet()
    {
        if (serialSubnetCountOf(m_store->gatewayType) == 0)
            return std::nullopt;
        const CONFIG &subnet = m_store->subnet(0);
        const ExchangeResult parameters = exchange(buildWriteSubnet(*m_store, 0));
        if (parameters.status == ExchangeStatus::Cancelled)
            return cancelled();
        if (!parameters.accepted())
            return fail(text(StrId::MsgWriteSubnet1Failed), kSubnetLine);
        mark(kSubnetLine, LineState::Done);

        if (writesCommands(subnet)) {
            // A refused clear is reported, and the commands are written all the same.
            const ExchangeResult clear = exchange(buildClearCommands(0));
            if (clear.status == ExchangeStatus::Cancelled)
                return cancelled();
            if (!clear.accepted())
                m_prompter.info(text(StrId::MsgClearCommandFailed));
            for (int i = 0; i < usedCommands(subnet); ++i) {
                const ExchangeResult r = exchange(buildWriteCommand(*m_store, 0, i));
                if (r.status == ExchangeStatus::Cancelled)
                    return cancelled();
                if (r.refusedWith(kErrorOneSlaveOnly))
                    return fail(text(StrId::MsgNonsupportOverOneSlave), kCommandLine);
                if (!r.accepted())
                    return fail(formatText(StrId::MsgWriteCommandFailed, {std::to_string(i)}), kCommandLine);
            }
        }
        mark(kCommandLine, LineState::Done);
        return std::nullopt;
    }

    std::optional<DownloadResult> writeFourSubnets()
    {
        for (int k = 0; k < kSubnetCount; ++k) {
            const std::string number = std::to_string(k + 1);
            const CONFIG &subnet = m_store->subnet(k);
            const ExchangeResult parameters = exchange(buildWriteSubnet(*m_store, k));
            if (parameters.status == ExchangeStatus::Cancelled)
                return cancelled();
            if (!parameters.accepted())
                return fail(formatText(StrId::MsgWriteSubnetFailed, {number}), k);
            if (writesCommands(subnet)) {
                const ExchangeResult clear = exchange(buildClearCommands(k));
                if (clear.status == ExchangeStatus::Cancelled)
                    return cancelled();
                if (!clear.accepted())
                    return fail(formatText(StrId::MsgClearSubnetFailed, {number}), k);
                for (int i = 0; i < usedCommands(subnet); ++i) {
                    const ExchangeResult r = exchange(buildWriteCommand(*m_store, k, i));
                    if (r.status == ExchangeStatus::Cancelled)
                        return cancelled();
                    if (!r.accepted())
                        return fail(formatText(StrId::MsgSubnetModbusPrefix, {number}) +
                                        formatText(StrId::MsgSubnetCommandFailed, {std::to_string(i)}),
                                    k);
                }
            }
            mark(k, LineState::Done);
        }
        return std::nullopt;
    }

    // The timeout action (or double-fault reset) and the PROFIBUS configuration data, where the
    // model and the firmware have them.
    std::optional<DownloadResult> writeExtras()
    {
        if (writesTimeoutAction(*m_store, m_firmware)) {
            const ExchangeResult r = exchange(buildWriteTimeoutAction(*m_store));
            if (r.status == ExchangeStatus::Cancelled)
                return cancelled();
            if (r.noReply())
                return fail(text(StrId::MsgConfigParametersTimeout));
            if (!r.accepted())
                return fail(text(StrId::MsgConfigParametersFailed));
        }
        if (writesProfibusConfigData(*m_store, m_firmware)) {
            const ExchangeResult r = exchange(buildWriteProfibusConfigData(*m_store));
            if (r.status == ExchangeStatus::Cancelled)
                return cancelled();
            if (!r.accepted())
                return fail(text(StrId::MsgWriteProfibusConfigFailed));
        }
        return std::nullopt;
    }

    // The configuration is in the gateway by now: a failed character-interval write is reported
    // but leaves the download complete.
    DownloadResult writeCharIntervals()
    {
        if (!writesCharIntervals(*m_store, m_firmware))
            return {DownloadOutcome::Downloaded, {}};
        const ExchangeResult r = m_exchange.sendAndCompare(buildWriteCharIntervals(*m_store));
        countExchange(r);
        if (r.status == ExchangeStatus::Cancelled)
            return cancelled();
        if (r.accepted())
            return {DownloadOutcome::Downloaded, {}};
        std::string message = text(StrId::MsgSetCharIntervalFailed);
        m_prompter.info(message);
        return {DownloadOutcome::Downloaded, std::move(message)};
    }

    std::unique_ptr<ConfigStore> m_store;
    Exchange m_exchange;
    Prompter &m_prompter;
    TransferObserver &m_observer;
    std::vector<std::string> m_lines;
    Frame m_lastRequest;
    ExchangeResult m_lastResult;
    int m_firmware = 0;
    int m_done = 0;
    int m_total = 0;
};

} // namespace

// Only code 0 has commands to write (a text the table does not know travels as 0 as well).
bool downloadWritesCommands(const CONFIG &subnet)
{
    return encodeValue(ValueTable::Protocol, subnet.protocol) == ProtocolCode::ModbusMaster;
}

bool downloadWritesFieldbus(const ConfigStore &store)
{
    return profileOf(store).fieldbusWrittenOverSerial;
}

DownloadProcedure::DownloadProcedure(ByteLink &link, Clock &clock, Prompter &prompter, TransferObserver &observer)
    : m_link(link), m_clock(clock), m_prompter(prompter), m_observer(observer)
{
}

DownloadResult DownloadProcedure::run(const ConfigStore &configuration, bool incompleteMark)
{
    // Writing the Ethernet gateway's identity frames alone would end in "Finish download!".
    if (isEthernetType(configuration.gatewayType)) {
        m_prompter.info(text(StrId::SerialDownloadRefused));
        return {DownloadOutcome::Stopped, text(StrId::SerialDownloadRefused)};
    }
    if (m_preChecks && !m_preChecks(configuration, incompleteMark, m_prompter))
        return {DownloadOutcome::Stopped, {}};
    DownloadRun transfer(m_link, m_clock, m_prompter, m_observer, m_cancel, configuration);
    return transfer.run();
}

} // namespace tqv
