#include "MappingPass.h"
#include "model/ModelProfile.h"

#include "model/MappingValues.h"
#include "ProfibusConfigDecoder.h"
#include "editor/ValueCommit.h"
#include "model/GatewayLimits.h"
#include "resources/Strings.h"

#include <array>
#include <vector>

namespace tqv {

namespace {

// The order in which commands take their places in each buffer.
constexpr std::array kInputOrder = {FunctionCode::ReadCoils, FunctionCode::ReadDiscreteInputs,
                                    FunctionCode::ReadHoldingRegisters, FunctionCode::ReadInputRegisters};
constexpr std::array kOutputOrder = {FunctionCode::WriteSingleCoil, FunctionCode::WriteSingleRegister,
                                     FunctionCode::WriteMultipleCoils, FunctionCode::WriteMultipleRegisters};

// Where the next command of each buffer goes, carried over from one subnet to the next.
struct Cursor {
    long nextInput = 0;
    long nextOutput = kOutputBufferBase;
    bool anyInput = false;
};

struct Placement {
    long start = 0;
    long length = 0;
    bool read = false;
};

// One run of the pass over the store.
class Pass {
public:
    Pass(ConfigStore &store, Prompter &prompter) : m_store(store), m_prompter(prompter) {}

    MappingOutcome run()
    {
        // The new addresses are edits like any other: closing must offer to save them.
        m_store.configModified = true;
        std::optional<BufferSizes> limits = fixedMappingLimits(m_store);
        if (!limits) {
            if (sizesFromProfibusConfigData(m_store)) {
                // No bytes at all count as invalid data too: there are no sizes to check against.
                const ProfibusDecoding d = ProfibusConfigDecoder::decodeText(m_store.fieldbus.profibusConfigData);
                if (d.valid())
                    limits = BufferSizes{d.input, d.output};
                else
                    m_outcome.configDataError = true;
            } else {
                limits = fieldbusSizes(m_store);
            }
        }

        const CONFIG &first = m_store.subnet(0);
        if (isDeviceNetType(m_store.gatewayType))
            m_cursor.nextInput = kDeviceNetInputBase;
        else if (profileOf(m_store).commandStatusBytes && isModbusMaster(first))
            m_cursor.nextInput = commandStatusBytes(first.commandStatus);

        const std::vector<Placement> placed = place(0);
        if (m_outcome.configDataError) {
            report(StrId::MsgProfibusConfigDataError);
        } else {
            checkLimits(0, placed, *limits);
            checkCombinedUse();
        }

        // The second subnet's commands follow the first's in both buffers.
        if (isEthernetType(m_store.gatewayType)) {
            const std::vector<Placement> second = place(1);
            if (!m_outcome.incomplete)
                checkLimits(1, second, BufferSizes{kEthernetBufferSize, kEthernetBufferSize});
            if (!m_outcome.incomplete)
                checkCombinedUse();
        }
        return m_outcome;
    }

private:
    // Places the mapped commands of one subnet after those placed before and writes their fields.
    // Returns the placement by command position - 1 (length 0 and unused for unmapped commands).
    std::vector<Placement> place(int subnetIndex)
    {
        CONFIG &c = m_store.subnet(subnetIndex);
        const int count = usedCommands(c);
        std::vector<Placement> placed(static_cast<std::size_t>(count));
        auto lay = [&](const auto &order, long &next, bool read) {
            for (FunctionCode fc : order) {
                for (int i = 0; i < count; ++i) {
                    COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
                    if (functionCodeOf(cmd.functionCode) != fc)
                        continue;
                    const long length = commandByteLength(fc, decimalValue(cmd.quantity));
                    placed[static_cast<std::size_t>(i)] = Placement{next, length, read};
                    cmd.mappingAddress = mappingAddressText(next);
                    cmd.mappingBit.assign(1, '0');
                    cmd.byteCount = std::to_string(length);
                    next += length;
                    ++m_outcome.addressed;
                    if (read)
                        m_cursor.anyInput = true;
                }
            }
        };
        lay(kInputOrder, m_cursor.nextInput, true);
        lay(kOutputOrder, m_cursor.nextOutput, false);
        return placed;
    }

    // In command order, the first command whose data end beyond its buffer's limit.
    void checkLimits(int subnetIndex, const std::vector<Placement> &placed, const BufferSizes &limits)
    {
        const CONFIG &c = m_store.subnet(subnetIndex);
        for (std::size_t i = 0; i < placed.size(); ++i) {
            if (!functionCodeOf(c.commands[i].functionCode))
                continue;
            const Placement &p = placed[i];
            const long end = p.start + p.length;
            const bool over = p.read ? end > limits.input : end > kOutputBufferBase + limits.output;
            if (over) {
                report(StrId::MsgMappingExceeds);
                return;
            }
        }
    }

    // Models that share one budget between the two buffers.
    void checkCombinedUse()
    {
        const std::optional<long> total = combinedUseLimit(m_store);
        if (!total)
            return;
        const long inputUse = m_cursor.anyInput ? m_cursor.nextInput : commandStatusBytes(m_store.subnet(0).commandStatus);
        const long outputUse = m_cursor.nextOutput;
        if (outputUse + inputUse - kOutputBufferBase >= *total)
            report(StrId::MsgMappingExceeds);
    }

    void report(StrId message)
    {
        m_prompter.info(text(message));
        m_outcome.incomplete = true;
    }

    ConfigStore &m_store;
    Prompter &m_prompter;
    MappingOutcome m_outcome;
    Cursor m_cursor;
};

} // namespace

MappingOutcome MappingPass::run(ConfigStore &store, Prompter &prompter) { return Pass(store, prompter).run(); }

std::optional<MappingOutcome> runMappingAddressCommand(ConfigStore &store, Prompter &prompter, SessionState &session)
{
    if (!prompter.askYesNo(text(StrId::MsgRecountMapping)))
        return std::nullopt;
    const MappingOutcome outcome = MappingPass::run(store, prompter);
    session.incompleteInformation = outcome.incomplete;
    return outcome;
}

} // namespace tqv
