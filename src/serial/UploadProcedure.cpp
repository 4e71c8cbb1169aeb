#include "UploadProcedure.h"
#include "model/ModelProfile.h"

#include "Exchange.h"
#include "FrameBuilder.h"
#include "FrameBytes.h"
#include "ReplyDecoder.h"
#include "ReplyJudge.h"
#include "model/DerivedValues.h"
#include "ValueCodes.h"
#include "resources/Strings.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace tqv {

namespace {

// Firmware versions (major × 10 + minor) from which a gateway answers the optional reads.
constexpr int kFirmwareProfibusConfigData = 30;
constexpr int kFirmwareTimeoutAction = 40;
constexpr int kFirmwareCharIntervals = 50;

// The step lines the dialog shows for the gateway's type (the subnet lines for four subnets;
// none for the fault-reset model's gateway, which reports the Ethernet type).
std::vector<std::string> stepLines(std::uint32_t type)
{
    if (!isKnownGatewayType(type) || isEthernetType(type))
        return {};
    if (isFourSubnetType(type)) {
        std::vector<std::string> lines;
        for (int k = 1; k <= kSubnetCount; ++k)
            lines.push_back(formatText(StrId::UploadSubnetLine, {std::to_string(k)}));
        return lines;
    }
    if (isDeviceNetType(type))
        return {text(StrId::UploadStepDeviceNet), text(StrId::UploadStepModbusParameter),
                text(StrId::UploadStepModbusCommand)};
    if (profileOf(type, ModelFlags{}).profibusModbus)
        return {text(StrId::UploadStepProfibus), text(StrId::UploadStepSubnetParameter),
                text(StrId::UploadStepSubnetCommand)};
    return {text(StrId::UploadStepProfibus), text(StrId::UploadStepModbusParameter),
            text(StrId::UploadStepModbusCommand)};
}

// The configuration type a reported type stands for; nothing for a report of 0.
std::optional<std::uint32_t> typeOfReport(std::uint8_t reportedType)
{
    if (reportedType == 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(reportedType - 1u);
}

// The serial subnets an upload reads: those of the reported type. The modelFlag4 gateway reports
// the Ethernet type and is asked for no subnet (a gateway of that kind need not answer such a
// request); its subnet keeps the defaults rather than taking the zeros of a store never filled.
int subnetsRead(std::uint32_t reportedAs) { return serialSubnetCountOf(reportedAs); }

// The messages of one exchange's failure: nothing came back, or something else than its reply.
struct StepTexts {
    std::string timeout;
    std::string invalid;
};

// One press of "Upload", with the state it builds up on the way.
class UploadRun {
public:
    UploadRun(ByteLink &link, Clock &clock, Prompter &prompter, TransferObserver &observer,
              const std::atomic<bool> *cancel, const ConfigStore &current)
        : m_prompter(prompter), m_observer(observer), m_current(current),
          m_exchange(link, clock, Judge::Upload, ReplyContext::of(current))
    {
        m_exchange.setCancelFlag(cancel);
    }

    UploadResult run();

private:
    // How a step ended when it did not succeed.
    struct Stop {
        UploadOutcome outcome;
        std::string message;
        std::optional<TransferFailure> failure = std::nullopt;
    };

    // One exchange, kept as the one a failure names.
    ExchangeResult runExchange(const Frame &request)
    {
        m_lastRequest = request;
        m_lastResult = m_exchange.run(request);
        return m_lastResult;
    }

    // Runs one exchange of the upload judge's replies and files an accepted reply in the store.
    // `subnet` is the subnet the request names: a reply about another subnet is no reply to it.
    // On failure shows the step's message (none when cancelled) and returns why it stopped.
    std::optional<Stop> read(const Frame &request, const StepTexts &texts, std::optional<int> subnet = {});
    // The same for the optional reads, whose replies the procedure decodes itself.
    std::optional<Stop> readExtra(const ExchangeResult &result, const StepTexts &texts);
    Stop fail(const std::string &message);
    // After a failed read of parameters or commands the dialog drops its title, status and lines.
    void clearDialog();

    std::optional<Stop> readFieldbus();
    std::optional<Stop> readOneSubnet();
    std::optional<Stop> readFourSubnets();
    // The blocks of a subnet's commands, by the count already read. `readWhenEmpty`: a count of 0
    // still reads one block.
    std::optional<Stop> readCommandBlocks(int subnet, int blockSize, bool readWhenEmpty,
                                          const std::string &timeoutText,
                                          const std::function<std::string(int)> &invalidText);
    // The timeout action (or double-fault reset) and the PROFIBUS configuration data.
    std::optional<Stop> readExtras(const TransferExtras &extras, ConfigStore &configuration);
    // Step 11, the character intervals: nothing when read; a failure keeps the outcome Uploaded
    // and carries the message it showed.
    std::optional<Stop> readCharIntervals(ConfigStore &configuration);

    void expect(int exchanges);
    void exchanged();
    void setLine(int index, LineState state);
    UploadResult ended(Stop stop);

    Prompter &m_prompter;
    TransferObserver &m_observer;
    const ConfigStore &m_current;
    Exchange m_exchange;
    Frame m_lastRequest;
    ExchangeResult m_lastResult;
    UploadStore m_store;
    std::uint32_t m_type = 0; // the type the gateway reported
    std::vector<std::string> m_lines;
    int m_done = 0;
    int m_total = 0;
};

void UploadRun::expect(int exchanges)
{
    m_total += exchanges;
    m_observer.setProgress(m_done, m_total);
}

void UploadRun::exchanged()
{
    ++m_done;
    m_observer.setProgress(m_done, m_total);
}

void UploadRun::setLine(int index, LineState state)
{
    if (index >= 0 && static_cast<std::size_t>(index) < m_lines.size())
        m_observer.setLine(index, m_lines[static_cast<std::size_t>(index)], state);
}

UploadRun::Stop UploadRun::fail(const std::string &message)
{
    m_prompter.error(message);
    // Every failure is that of the exchange just made.
    return Stop{UploadOutcome::Failed, message, failureOf(m_lastRequest, m_lastResult)};
}

void UploadRun::clearDialog()
{
    m_observer.setTitle("");
    m_observer.setStatus("");
    for (int i = 0; i < kSubnetCount; ++i)
        m_observer.setLine(i, "", LineState::Hidden);
}

std::optional<UploadRun::Stop> UploadRun::read(const Frame &request, const StepTexts &texts,
                                               std::optional<int> subnet)
{
    const ExchangeResult result = runExchange(request);
    if (result.status == ExchangeStatus::Cancelled)
        return Stop{UploadOutcome::Cancelled, {}};
    exchanged();
    if (result.noReply())
        return fail(texts.timeout);
    // A reply about another subnet than the one asked for would be filed under that subnet.
    const bool otherSubnet = subnet && FrameView(result.reply).at(2) != *subnet;
    if (!result.accepted() || otherSubnet || !storeUploadReply(result.reply, m_exchange.context(), m_store))
        return fail(texts.invalid);
    return std::nullopt;
}

std::optional<UploadRun::Stop> UploadRun::readExtra(const ExchangeResult &result, const StepTexts &texts)
{
    if (result.status == ExchangeStatus::Cancelled)
        return Stop{UploadOutcome::Cancelled, {}};
    exchanged();
    if (result.noReply())
        return fail(texts.timeout);
    if (!result.accepted())
        return fail(texts.invalid);
    return std::nullopt;
}

UploadResult UploadRun::ended(Stop stop)
{
    UploadResult result;
    result.outcome = stop.outcome;
    result.message = std::move(stop.message);
    result.failure = std::move(stop.failure);
    result.store = m_store;
    return result;
}

std::optional<UploadRun::Stop> UploadRun::readFieldbus()
{
    const StepTexts texts{text(StrId::MsgReadFieldbusTimeout), text(StrId::MsgReadFieldbusFailed)};
    switch (fieldbusFramesOf(m_type)) {
    case FieldbusFrames::DeviceNet:
        if (auto stop = read(buildReadDeviceNet(), texts))
            return stop;
        break;
    case FieldbusFrames::Profibus:
        if (auto stop = read(buildReadProfibus(), texts))
            return stop;
        break;
    case FieldbusFrames::None:
        break;
    }
    return std::nullopt;
}

std::optional<UploadRun::Stop> UploadRun::readCommandBlocks(int subnet, int blockSize, bool readWhenEmpty,
                                                            const std::string &timeoutText,
                                                            const std::function<std::string(int)> &invalidText)
{
    const int count = m_store.commandCounts[static_cast<std::size_t>(subnet)];
    // (count - 1) / size + 1 divides toward zero, so a count of 0 gives one block.
    const int blocks = count == 0 && !readWhenEmpty ? 0 : (count - 1) / blockSize + 1;
    expect(blocks);
    for (int b = 0; b < blocks; ++b)
        if (auto stop = read(buildReadCommandBlock(subnet, b), {timeoutText, invalidText(b)}, subnet))
            return stop;
    return std::nullopt;
}

std::optional<UploadRun::Stop> UploadRun::readOneSubnet()
{
    constexpr int subnet = 0;
    if (auto stop = read(buildReadSubnet(subnet),
                         {text(StrId::MsgReadModbusConfigTimeout), text(StrId::MsgReadModbusConfigFailed)}, subnet))
        return stop;
    setLine(1, LineState::Done);
    if (m_store.subnetParameters[subnet][SubnetByte::Protocol] != ProtocolCode::ModbusMaster) {
        setLine(2, LineState::Done); // no commands to read
        return std::nullopt;
    }
    expect(1);
    if (auto stop = read(buildReadCommandCount(subnet),
                         {text(StrId::MsgReadModbusCommandTimeout), text(StrId::MsgReadModbusCommandFailed)}, subnet))
        return stop;
    const auto invalid = [](int b) { return formatText(StrId::MsgReadCommandListFailed, {std::to_string(b)}); };
    if (auto stop = readCommandBlocks(subnet, commandBlockSizeOf(m_type), true,
                                      text(StrId::MsgReadCommandListTimeout), invalid))
        return stop;
    setLine(2, LineState::Done);
    return std::nullopt;
}

std::optional<UploadRun::Stop> UploadRun::readFourSubnets()
{
    const int blockSize = commandBlockSizeOf(code(GatewayType::FourSubnets));
    for (int k = 0; k < kSubnetCount; ++k) {
        const std::string number = std::to_string(k + 1);
        if (auto stop = read(buildReadSubnet(k),
                             {text(StrId::MsgReadModbusConfigTimeout),
                              formatText(StrId::MsgReadSubnetConfigFailed, {number})},
                             k))
            return stop;
        if (m_store.subnetParameters[static_cast<std::size_t>(k)][SubnetByte::Protocol] == ProtocolCode::ModbusMaster) {
            expect(1);
            if (auto stop = read(buildReadCommandCount(k),
                                 {text(StrId::MsgReadModbusCommandTimeout),
                                  formatText(StrId::MsgReadSubnetCommandFailed, {number})},
                                 k))
                return stop;
            const auto invalid = [&number](int b) {
                return formatText(StrId::MsgReadSubnetCommandListFailed, {number, std::to_string(b)});
            };
            // Here a subnet without commands reads no block at all.
            if (auto stop = readCommandBlocks(k, blockSize, false, text(StrId::MsgReadCommandListTimeout), invalid))
                return stop;
        }
        setLine(k, LineState::Done);
    }
    return std::nullopt;
}

std::optional<UploadRun::Stop> UploadRun::readExtras(const TransferExtras &extras, ConfigStore &configuration)
{
    CONFIG &first = configuration.subnet(0);
    if (extras.timeoutAction) {
        const ExchangeResult result = runExchange(buildReadTimeoutAction());
        if (auto stop = readExtra(result, {text(StrId::MsgConfigParametersTimeout),
                                           text(StrId::MsgConfigParametersFailed)}))
            return stop;
        applyTimeoutActionValue(*decodeTimeoutActionReply(result.reply), profileOf(m_current).faultResetModel, first);
    }
    if (extras.profibusConfig) {
        const ExchangeResult result = runExchange(buildReadProfibusConfigData());
        const std::string &failed = text(StrId::MsgUploadProfibusConfigFailed);
        if (auto stop = readExtra(result, {failed, failed}))
            return stop;
        applyProfibusConfigData(*decodeProfibusConfigDataReply(result.reply), configuration.fieldbus);
    }
    return std::nullopt;
}

std::optional<UploadRun::Stop> UploadRun::readCharIntervals(ConfigStore &configuration)
{
    const ExchangeResult result = m_exchange.readFixedLength(buildReadCharIntervals(), kCharIntervalsFrameSize);
    if (result.status == ExchangeStatus::Cancelled)
        return Stop{UploadOutcome::Cancelled, {}};
    exchanged();
    const auto intervals = result.accepted() ? decodeCharIntervalsReply(result.reply) : std::nullopt;
    if (!intervals) {
        const std::string &message = text(StrId::MsgReadCharIntervalFailed);
        m_prompter.info(message);
        return Stop{UploadOutcome::Uploaded, message};
    }
    applyCharIntervals(*intervals, configuration.subnet(0));
    return std::nullopt;
}

UploadResult UploadRun::run()
{
    // The dialog's lines; the store starts empty.
    m_observer.setTitle(text(StrId::UploadTitle));
    m_observer.setStatus(text(StrId::TransferPleaseWait));
    for (int i = 0; i < kSubnetCount; ++i)
        m_observer.setLine(i, "", LineState::Hidden);
    m_store.clear();
    expect(1);

    // Gateway type and firmware version.
    if (auto stop = read(buildReadGatewayType(), {text(StrId::MsgReadTypeTimeout), text(StrId::MsgUploadFailed)}))
        return ended(*stop);
    const std::uint8_t reported = m_store.reportedType();

    // The gateway must report the type the configuration's model identifies as.
    const auto type = typeOfReport(reported);
    const bool mismatch = !type || *type != profileOf(m_current).serialIdentityType;
    if (mismatch) {
        const std::string &message = text(StrId::MsgTypeMismatch);
        m_prompter.error(message);
        TransferFailure failure = failureOf(m_lastRequest, m_lastResult);
        failure.reason = FailureReason::OtherType;
        failure.reported = std::to_string(reported);
        failure.expected = std::to_string(reportedTypeOf(profileOf(m_current).serialIdentityType));
        return ended(Stop{UploadOutcome::TypeMismatch, message, std::move(failure)});
    }

    // The step lines; how many exchanges are known so far.
    m_type = *type;
    m_lines = stepLines(m_type);
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        m_observer.setLine(static_cast<int>(i), m_lines[i], LineState::Running);
    const bool readsFieldbus = fieldbusFramesOf(m_type) != FieldbusFrames::None;
    const int subnets = subnetsRead(m_type);
    const TransferExtras extras = transferExtrasOf(m_current, m_store.firmwareVersion());
    expect(int{readsFieldbus} + subnets + extras.count());

    // Fieldbus parameters, then one subnet or four, with their commands.
    std::optional<Stop> stop = readFieldbus();
    if (!stop && subnets == 1) {
        setLine(0, LineState::Done);
        stop = readOneSubnet();
    } else if (!stop && subnets == kSubnetCount) {
        stop = readFourSubnets();
    }
    if (stop) {
        if (stop->outcome == UploadOutcome::Failed)
            clearDialog();
        return ended(*stop);
    }

    // The configuration is built aside, from the defaults of the open one's type and flags; the
    // open configuration stays as it is whatever happens from here.
    ConfigStore configuration = m_current;
    configuration.resetToDefaults();
    if (auto extraStop = readExtras(extras, configuration))
        return ended(*extraStop);

    // The replies become the configuration.
    applyUploadStore(m_store, configuration);
    configuration.configModified = false;

    m_observer.setTitle("");
    m_observer.setStatus(text(StrId::UploadFinished));

    // The character intervals; a failure leaves the uploaded configuration as it is.
    std::string message;
    if (extras.charIntervals) {
        if (auto intervalStop = readCharIntervals(configuration)) {
            if (intervalStop->outcome == UploadOutcome::Cancelled)
                return ended(*intervalStop);
            message = std::move(intervalStop->message);
        }
    }

    UploadResult result;
    result.outcome = UploadOutcome::Uploaded;
    result.configuration = std::move(configuration);
    result.message = std::move(message);
    result.store = m_store;
    return result;
}

// ---- applying the store ---------------------------------------------------------------------

void setIfDecoded(std::string &field, ValueTable table, std::uint8_t code)
{
    if (auto value = decodeValue(table, code))
        field = *value;
}

std::uint16_t be16(const SubnetParameters &p, std::size_t at)
{
    return static_cast<std::uint16_t>((p[at] << 8) | p[at + 1]);
}

// The serial parameters of the protocol group a protocol code selects.
struct SerialFields {
    std::string CONFIG::*baud;
    std::string CONFIG::*dataBits;
    std::string CONFIG::*parity;
    std::string CONFIG::*stopBits;
};

std::optional<SerialFields> serialFieldsOf(std::uint8_t protocol)
{
    switch (protocol) {
    case ProtocolCode::ModbusMaster:
        return SerialFields{&CONFIG::masterBaud, &CONFIG::masterDataBits, &CONFIG::masterParity,
                            &CONFIG::masterStopBits};
    case ProtocolCode::ModbusSlave:
        return SerialFields{&CONFIG::slaveBaud, &CONFIG::slaveDataBits, &CONFIG::slaveParity, &CONFIG::slaveStopBits};
    case ProtocolCode::SelfDefining:
        return SerialFields{&CONFIG::customBaud, &CONFIG::customDataBits, &CONFIG::customParity,
                            &CONFIG::customStopBits};
    case ProtocolCode::UserConfig:
        return SerialFields{&CONFIG::userBaud, &CONFIG::userDataBits, &CONFIG::userParity, &CONFIG::userStopBits};
    default:
        return std::nullopt;
    }
}

void applySubnetParameters(const SubnetParameters &p, bool commandStatus, CONFIG &subnet)
{
    const std::uint8_t protocol = p[SubnetByte::Protocol];
    const auto fields = serialFieldsOf(protocol);
    // An unknown protocol leaves the subnet as it is: no group to fill.
    if (!fields)
        return;
    setIfDecoded(subnet.protocol, ValueTable::Protocol, protocol);
    setIfDecoded(subnet.*fields->baud, ValueTable::SubnetBaud, p[SubnetByte::Baud]);
    setIfDecoded(subnet.*fields->dataBits, ValueTable::DataBits, p[SubnetByte::DataBits]);
    setIfDecoded(subnet.*fields->parity, ValueTable::Parity, p[SubnetByte::Parity]);
    setIfDecoded(subnet.*fields->stopBits, ValueTable::StopBits, p[SubnetByte::StopBits]);

    switch (protocol) {
    case ProtocolCode::ModbusMaster: {
        setIfDecoded(subnet.masterMode, ValueTable::CommMode, p[SubnetByte::Mode]);
        subnet.responseTimeout = std::to_string(be16(p, SubnetByte::ResponseTimeout));
        subnet.pollDelay = millisFromTens(p[SubnetByte::PollDelay]);
        setIfDecoded(subnet.outputMode, ValueTable::OutputMode, p[SubnetByte::OutputMode]);
        if (decodeValue(ValueTable::OutputMode, p[SubnetByte::OutputMode]) == text(StrId::OutputPulse))
            subnet.pulseTime = millisFromTens(p[SubnetByte::PulseTime]);
        subnet.scanRatio = std::to_string(p[SubnetByte::ScanRatio]);
        if (commandStatus) {
            const std::uint8_t status = p[SubnetByte::CommandStatusOrFrameType];
            if (status == 0)
                subnet.commandStatus = text(StrId::Disable);
            else if (status <= 6)
                subnet.commandStatus = std::to_string(status) + text(StrId::Bytes);
        }
        break;
    }
    case ProtocolCode::ModbusSlave:
        subnet.ownAddress = std::to_string(p[SubnetByte::OwnAddress]);
        setIfDecoded(subnet.slaveMode, ValueTable::CommMode, p[SubnetByte::Mode]);
        break;
    case ProtocolCode::UserConfig:
        subnet.frameType = text(p[SubnetByte::CommandStatusOrFrameType] != 0 ? StrId::FrameLength
                                                                             : StrId::FrameCharTimeout);
        subnet.charTimeout = std::to_string(be16(p, SubnetByte::CharTimeout));
        subnet.frameLength = std::to_string(p[SubnetByte::FrameLength]);
        setIfDecoded(subnet.autoSend, ValueTable::Switch, p[SubnetByte::AutoSend]);
        subnet.autoSendPeriod = std::to_string(be16(p, SubnetByte::AutoSendPeriod));
        setIfDecoded(subnet.crcCheck, ValueTable::Switch, p[SubnetByte::CrcCheck]);
        break;
    default:
        break;
    }

    // The self-defining protocol keeps its interfaces.
    if (protocol != ProtocolCode::SelfDefining) {
        const bool rs232 = p[SubnetByte::CommInterface] != 0;
        subnet.commInterface = rs232 ? "RS232" : "RS485";
        subnet.debugInterface = rs232 ? "RS485" : "RS232";
    }
}

// Nodes from the commands' slave addresses in command order, then the commands themselves.
void applyCommands(const std::array<CommandRecord, kMaxCommands> &records, int count, bool dataFilter,
                   CONFIG &subnet)
{
    subnet.nodeCount = 0;
    subnet.commandCount = 0;
    const int n = std::clamp(count, 0, kMaxCommands);
    for (int i = 0; i < n; ++i) {
        const CommandFields f = commandFields(records[static_cast<std::size_t>(i)]);
        const std::string address = std::to_string(f.slaveAddress);
        int nodeNumber = 0;
        for (int j = 0; j < subnet.nodeCount && nodeNumber == 0; ++j)
            if (subnet.nodes[static_cast<std::size_t>(j)].address == address)
                nodeNumber = j + 1;
        if (nodeNumber == 0) {
            NODE &node = subnet.nodes[static_cast<std::size_t>(subnet.nodeCount)];
            node = NODE{address, text(StrId::NodeNamePrefix) + address};
            nodeNumber = ++subnet.nodeCount;
        }

        COMMAND &c = subnet.commands[static_cast<std::size_t>(i)];
        c.slaveAddress = address;
        c.functionCode = std::to_string(f.functionCode);
        c.startAddress = std::to_string(f.startAddress);
        c.quantity = std::to_string(f.quantity);
        c.mappingAddress = hexText(f.mappingAddress);
        c.mappingBit = std::to_string(f.mappingBit);
        setIfDecoded(c.scanType, ValueTable::ScanType, f.scanType);
        setIfDecoded(c.dataFormat, dataFilter ? ValueTable::DataFilter : ValueTable::ByteExchange, f.dataFormat);
        c.nodeNumber = nodeNumber;
        updateDerivedValues(c); // the frames carry no byte count; it follows the quantity
        ++subnet.commandCount;
    }
}

} // namespace

UploadProcedure::UploadProcedure(ByteLink &link, Clock &clock, Prompter &prompter, TransferObserver &observer)
    : m_link(link), m_clock(clock), m_prompter(prompter), m_observer(observer)
{
}

UploadResult UploadProcedure::run(const ConfigStore &current)
{
    // The Ethernet gateway answers its identity on the line and nothing else a transfer needs.
    if (isEthernetType(current.gatewayType)) {
        UploadResult refused;
        refused.outcome = UploadOutcome::Stopped;
        refused.message = text(StrId::SerialUploadRefused);
        m_prompter.info(refused.message);
        return refused;
    }
    UploadRun run(m_link, m_clock, m_prompter, m_observer, m_cancel, current);
    return run.run();
}

TransferExtras transferExtrasOf(const ConfigStore &configuration, int firmware)
{
    TransferExtras e;
    const ModelProfile model = profileOf(configuration);
    e.timeoutAction = model.faultResetModel || (model.timeoutActionRows && firmware >= kFirmwareTimeoutAction);
    e.profibusConfig = model.configDataModel && firmware >= kFirmwareProfibusConfigData;
    e.charIntervals = model.hardwareConfigModel && firmware >= kFirmwareCharIntervals;
    return e;
}

void applyTimeoutActionValue(std::uint8_t value, bool doubleFaultReset, CONFIG &first)
{
    if (doubleFaultReset) {
        first.doubleFaultReset = text(value != 0 ? StrId::Enable : StrId::Disable);
    } else if (value > 0) {
        first.timeoutAction = text(StrId::TimeoutClearData);
        first.timeoutCount = std::to_string(value);
    } else {
        first.timeoutAction = text(StrId::TimeoutHoldData);
    }
}

void applyProfibusConfigData(const std::vector<std::uint8_t> &data, FIELDBUS &fieldbus)
{
    fieldbus.profibusConfigMode = text(data.empty() ? StrId::ProfibusUseBytesSelection : StrId::ProfibusInputConfigData);
    fieldbus.profibusConfigData = profibusConfigText(data);
}

void applyCharIntervals(const CharIntervals &intervals, CONFIG &first)
{
    first.charIntervalSend = std::to_string(intervals.sending);
    first.charIntervalReceive = std::to_string(intervals.receiving);
}

void applyUploadStore(const UploadStore &store, ConfigStore &c)
{
    const auto reported = typeOfReport(store.reportedType());
    if (!reported)
        return;
    c.gatewayType = profileOf(*reported, c).uploadedType;
    if (isDeviceNetType(c.gatewayType))
        c.fieldbus.fieldbusType = text(StrId::FieldbusDeviceNet);
    else if (isProfibusFamily(c.gatewayType))
        c.fieldbus.fieldbusType = text(StrId::FieldbusProfibus);

    // Only what the gateway was asked for replaces the defaults: the fieldbus parameters and the
    // subnets of its reported type.
    FIELDBUS &f = c.fieldbus;
    switch (fieldbusFramesOf(*reported)) {
    case FieldbusFrames::Profibus: {
        const auto &p = store.profibusParameters;
        setIfDecoded(f.inputSize, ValueTable::ProfibusSize, p[0]);
        setIfDecoded(f.outputSize, ValueTable::ProfibusSize, p[1]);
        c.subnet(0).inputLengthPrefix = text(p[2] != 0 ? StrId::Enable : StrId::Disable);
        break;
    }
    case FieldbusFrames::DeviceNet: {
        const auto &p = store.deviceNetParameters;
        f.deviceNetAddress = std::to_string(p[0]);
        setIfDecoded(f.deviceNetBaud, ValueTable::DeviceNetBaud, p[1]);
        setIfDecoded(f.inputSize, ValueTable::DeviceNetInputSize, p[2]);
        setIfDecoded(f.outputSize, ValueTable::DeviceNetOutputSize, p[3]);
        break;
    }
    case FieldbusFrames::None:
        break;
    }

    const bool dataFilter = profileOf(c).dataFilterVocabulary;
    const int subnets = subnetsRead(*reported);
    for (int k = 0; k < subnets; ++k) {
        const auto index = static_cast<std::size_t>(k);
        CONFIG &subnet = c.subnet(k);
        applySubnetParameters(store.subnetParameters[index], profileOf(c).commandStatusBytes, subnet);
        applyCommands(store.commandRecords[index], store.commandCounts[index], dataFilter, subnet);
    }
}

} // namespace tqv
