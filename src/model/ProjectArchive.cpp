#include "ProjectArchive.h"

#include "ByteBuffer.h"
#include "../resources/Strings.h"

#include <cstdio>
#include <map>
#include <memory>

namespace tqv {

namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTagFlag = 0x8000;
constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kSchema = 1;

// Field groups of a subnet body, in file order (steps 3 to 6 and 8).
using ConfigText = std::string CONFIG::*;
using FieldbusText = std::string FIELDBUS::*;

constexpr ConfigText kMasterStep[] = {&CONFIG::masterBaud,      &CONFIG::masterDataBits, &CONFIG::masterParity,
                                      &CONFIG::masterStopBits,  &CONFIG::masterMode,     &CONFIG::responseTimeout,
                                      &CONFIG::pollDelay,       &CONFIG::outputMode,     &CONFIG::pulseTime,
                                      &CONFIG::scanRatio};
constexpr ConfigText kSlaveStep[] = {&CONFIG::slaveBaud,     &CONFIG::slaveDataBits, &CONFIG::slaveParity,
                                     &CONFIG::slaveStopBits, &CONFIG::ownAddress,    &CONFIG::slaveMode};
constexpr ConfigText kUserStep[] = {&CONFIG::userBaud,       &CONFIG::userDataBits,  &CONFIG::userParity,
                                    &CONFIG::userStopBits,   &CONFIG::frameType,     &CONFIG::charTimeout,
                                    &CONFIG::frameLength,    &CONFIG::autoSend,      &CONFIG::autoSendPeriod,
                                    &CONFIG::crcCheck,       &CONFIG::commInterface, &CONFIG::debugInterface,
                                    &CONFIG::inputLengthPrefix};
constexpr ConfigText kCustomStep[] = {&CONFIG::customBaud, &CONFIG::customDataBits, &CONFIG::customParity,
                                      &CONFIG::customStopBits};
constexpr ConfigText kCharStep[] = {&CONFIG::startChar, &CONFIG::stopChar, &CONFIG::charIntervalSend,
                                    &CONFIG::charIntervalReceive};
// The fieldbus body; the two PROFIBUS strings close the file instead.
constexpr FieldbusText kFieldbusBody[] = {&FIELDBUS::fieldbusType,   &FIELDBUS::deviceNetAddress,
                                          &FIELDBUS::deviceNetBaud,  &FIELDBUS::inputSize,
                                          &FIELDBUS::outputSize,     &FIELDBUS::ipAssignMode,
                                          &FIELDBUS::ipAddress,      &FIELDBUS::subnetMask,
                                          &FIELDBUS::gatewayAddress, &FIELDBUS::dns1,
                                          &FIELDBUS::dns2};

// --- writing -------------------------------------------------------------------------------

class Writer {
public:
    Writer(CodePage page) : m_page(page) {}

    bool string(const std::string &utf8)
    {
        if (!encodeText(utf8, m_page, m_encoded)) {
            m_status.error = ArchiveError::Unencodable;
            m_status.found = utf8;
            m_status.offset = m_out.size();
            return false;
        }
        const std::size_t n = m_encoded.size();
        if (n < 0xFF) {
            m_out.u8(static_cast<std::uint8_t>(n));
        } else if (n < 0xFFFE) {
            m_out.u8(0xFF);
            m_out.u16(static_cast<std::uint16_t>(n));
        } else {
            m_out.u8(0xFF);
            m_out.u16(0xFFFF);
            m_out.u32(static_cast<std::uint32_t>(n));
        }
        m_out.raw(m_encoded);
        return true;
    }

    template <std::size_t N> bool strings(const CONFIG &c, const ConfigText (&fields)[N])
    {
        for (ConfigText field : fields)
            if (!string(c.*field))
                return false;
        return true;
    }

    ByteWriter m_out;
    ArchiveStatus m_status;

private:
    CodePage m_page;
    std::string m_encoded;
};

bool writeConfigBody(Writer &w, const ConfigStore &store, const CONFIG &c)
{
    ByteWriter &out = w.m_out;
    out.u32(kCurrentRecordVersion);
    if (!w.string(c.protocol) || !w.strings(c, kMasterStep) || !w.strings(c, kSlaveStep) ||
        !w.strings(c, kUserStep) || !w.strings(c, kCustomStep))
        return false;
    out.i32(c.nodeCount);
    out.i32(c.commandCount);
    if (!w.strings(c, kCharStep))
        return false;
    for (int i = 0; i < c.nodeCount && i < kMaxNodes; ++i) {
        const NODE &n = c.nodes[static_cast<std::size_t>(i)];
        if (!w.string(n.address) || !w.string(n.name))
            return false;
    }
    for (int i = 0; i < c.commandCount && i < kMaxCommands; ++i) {
        const COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
        for (const auto &f : kCommandFields)
            if (!w.string(cmd.*f.member))
                return false;
        out.i32(cmd.nodeNumber);
    }
    out.u32(store.modelFlag1 ? 1 : 0);
    out.u32(store.modelFlag2 ? 1 : 0);
    out.u32(store.modelFlag3 ? 1 : 0);
    out.u32(store.modelFlag4 ? 1 : 0);
    if (!w.string(c.doubleFaultReset))
        return false;
    out.u32(store.modelFlag5 ? 1 : 0);
    out.u32(store.modelFlag6 ? 1 : 0);
    out.u32(store.modelFlag7 ? 1 : 0);
    return w.string(c.commandStatus) && w.string(c.timeoutAction) && w.string(c.timeoutCount);
}

void writeClassHeader(ByteWriter &out, std::string_view name)
{
    out.u16(kNewClassTag);
    out.u16(kSchema);
    out.u16(static_cast<std::uint16_t>(name.size()));
    out.raw(name);
}

// --- reading -------------------------------------------------------------------------------

// The values a subnet body leaves behind besides its record.
struct BodyFlags {
    std::uint32_t version = 0;
    bool flags[7] = {};
};

class Reader {
public:
    Reader(std::string_view bytes, CodePage page) : m_in(bytes), m_page(page) {}

    bool truncated()
    {
        if (!m_in.failed())
            return false;
        fail(ArchiveError::Truncated, m_in.position());
        return true;
    }

    void fail(ArchiveError e, std::size_t offset)
    {
        if (m_status.ok()) {
            m_status.error = e;
            m_status.offset = offset;
        }
    }

    bool string(std::string &out)
    {
        std::uint32_t n = m_in.u8();
        if (n == 0xFF) {
            n = m_in.u16();
            if (n == 0xFFFF)
                n = m_in.u32();
        }
        std::string_view raw = m_in.raw(n);
        if (truncated())
            return false;
        out = decodeText(raw, m_page);
        return true;
    }

    template <std::size_t N> bool strings(CONFIG &c, const ConfigText (&fields)[N])
    {
        for (ConfigText field : fields)
            if (!string(c.*field))
                return false;
        return true;
    }

    bool u32(std::uint32_t &v)
    {
        v = m_in.u32();
        return !truncated();
    }

    bool i32(std::int32_t &v)
    {
        v = m_in.i32();
        return !truncated();
    }

    // Reads an object tag (and a new class description) and checks that the object is of class
    // `expected`. Registers classes and objects in the archive's index order.
    bool object(std::string_view expected)
    {
        const std::size_t at = m_in.position();
        std::uint16_t tag = m_in.u16();
        if (truncated())
            return false;
        std::string className;
        if (tag == kNewClassTag) {
            std::uint16_t schema = m_in.u16();
            std::uint16_t length = m_in.u16();
            std::string_view name = m_in.raw(length);
            if (truncated())
                return false;
            className.assign(name);
            if (schema != kSchema) {
                fail(ArchiveError::WrongSchema, at);
                m_status.found = className;
                m_status.value = schema;
                return false;
            }
            m_classes[++m_nextIndex] = className;
        } else if (tag == kNullTag) {
            fail(ArchiveError::NullTag, at);
            return false;
        } else if ((tag & kClassTagFlag) != 0 && tag != kNewClassTag) {
            auto it = m_classes.find(tag & ~kClassTagFlag);
            if (it == m_classes.end()) {
                badTag(tag, at);
                return false;
            }
            className = it->second;
        } else {
            // A reference to an object already read (or the big-object escape): this program
            // never stores an object twice, so such a file is not one of ours.
            badTag(tag, at);
            return false;
        }
        if (className != expected) {
            fail(ArchiveError::WrongClass, at);
            m_status.found = className;
            m_status.expected = std::string(expected);
            return false;
        }
        ++m_nextIndex; // the object itself takes the next index
        return true;
    }

    bool fieldbusBody(FIELDBUS &f)
    {
        for (FieldbusText field : kFieldbusBody)
            if (!string(f.*field))
                return false;
        return true;
    }

    bool configBody(CONFIG &c, BodyFlags &flags, int subnetNumber)
    {
        flags = BodyFlags{};
        if (!u32(flags.version))
            return false;
        const std::uint32_t v = flags.version;
        if (!string(c.protocol) || !strings(c, kMasterStep) || !strings(c, kSlaveStep) ||
            !strings(c, kUserStep) || !strings(c, kCustomStep))
            return false;
        const std::size_t countsAt = m_in.position();
        if (!i32(c.nodeCount) || !i32(c.commandCount))
            return false;
        auto countInRange = [&](std::int32_t count, const char *name, std::size_t offset) {
            if (count >= 0 && count <= kMaxNodes)
                return true;
            fail(ArchiveError::CountOutOfRange, offset);
            m_status.found = name;
            m_status.value = count;
            m_status.subnet = subnetNumber;
            return false;
        };
        if (!countInRange(c.nodeCount, "nodeCount", countsAt) ||
            !countInRange(c.commandCount, "commandCount", countsAt + 4))
            return false;
        if (v >= 500) {
            if (!strings(c, kCharStep))
                return false;
        } else {
            c.charIntervalSend = "0";
            c.charIntervalReceive = "0";
        }
        for (int i = 0; i < c.nodeCount; ++i) {
            NODE &n = c.nodes[static_cast<std::size_t>(i)];
            if (!string(n.address) || !string(n.name))
                return false;
        }
        for (int i = 0; i < c.commandCount; ++i) {
            COMMAND &cmd = c.commands[static_cast<std::size_t>(i)];
            for (const auto &f : kCommandFields)
                if (!string(cmd.*f.member))
                    return false;
            if (!i32(cmd.nodeNumber))
                return false;
        }
        std::uint32_t value = 0;
        auto flag = [&](int number) {
            if (!u32(value))
                return false;
            flags.flags[number - 1] = value != 0;
            return true;
        };
        if (v >= 233 && (!flag(1) || !flag(2)))
            return false;
        if (v >= 243 && !flag(3))
            return false;
        if (v >= 244 && (!flag(4) || !string(c.doubleFaultReset)))
            return false;
        if (v >= 245 && !flag(5))
            return false;
        if (v >= 246 && !flag(6))
            return false;
        if (v >= 300 && (!flag(7) || !string(c.commandStatus) || !string(c.timeoutAction) ||
                         !string(c.timeoutCount)))
            return false;
        return true;
    }

    ArchiveStatus m_status;

private:
    void badTag(std::uint16_t tag, std::size_t at)
    {
        fail(ArchiveError::BadTag, at);
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X", tag);
        m_status.found = hex;
    }

    ByteReader m_in;
    CodePage m_page;
    std::map<std::uint32_t, std::string> m_classes;
    std::uint32_t m_nextIndex = 0;
};

} // namespace

std::string ArchiveStatus::reason() const
{
    const std::string at = std::to_string(offset);
    switch (error) {
    case ArchiveError::None:
        return {};
    case ArchiveError::Truncated:
        return formatText(StrId::ReasonTruncated, {at});
    case ArchiveError::WrongClass:
        return formatText(StrId::ReasonWrongClass, {shownFileText(found), expected, at});
    case ArchiveError::WrongSchema:
        return formatText(StrId::ReasonWrongSchema, {shownFileText(found), std::to_string(value), at});
    case ArchiveError::NullTag:
        return formatText(StrId::ReasonNullTag, {at});
    case ArchiveError::BadTag:
        return formatText(StrId::ReasonBadTag, {found, at});
    case ArchiveError::CountOutOfRange:
        return formatText(StrId::ReasonCountOutOfRange,
                          {std::to_string(subnet), found, std::to_string(value), at});
    case ArchiveError::Unencodable:
        return formatText(StrId::ReasonUnencodable, {shownFileText(found)});
    case ArchiveError::BadGatewayType:
        return formatText(StrId::ReasonBadGatewayType, {std::to_string(value)});
    }
    return {};
}

ArchiveStatus writeProject(const ConfigStore &store, CodePage page, std::string &out)
{
    Writer w(page);
    ByteWriter &o = w.m_out;
    o.bytes().reserve(4096);
    o.u32(store.gatewayType);
    writeClassHeader(o, "FIELDBUS");
    for (FieldbusText field : kFieldbusBody)
        if (!w.string(store.fieldbus.*field))
            return w.m_status;
    for (int i = 0; i < kSubnetCount; ++i) {
        if (i == 0)
            writeClassHeader(o, "CONFIG");
        else
            o.u16(kClassTagFlag | 3); // class CONFIG is archive index 3
        if (!writeConfigBody(w, store, store.subnets[static_cast<std::size_t>(i)]))
            return w.m_status;
    }
    if (!w.string(store.fieldbus.profibusConfigMode) || !w.string(store.fieldbus.profibusConfigData))
        return w.m_status;
    out = std::move(o.bytes());
    return w.m_status;
}

namespace {

// What a file holds besides the records, read once it is known to be whole.
struct FileTail {
    std::uint32_t gatewayType = 0;
    BodyFlags flags;
    std::string mode, data;
};

// Reads a whole file: the fieldbus body into `fieldbus`, subnet body i into `subnet(i)`.
template <typename SubnetOf>
ArchiveStatus readFile(std::string_view bytes, CodePage page, FIELDBUS &fieldbus, SubnetOf subnet,
                       FileTail &tail)
{
    Reader r(bytes, page);
    if (!r.u32(tail.gatewayType))
        return r.m_status;
    if (!isKnownGatewayType(tail.gatewayType)) {
        ArchiveStatus status;
        status.error = ArchiveError::BadGatewayType;
        status.value = tail.gatewayType;
        return status;
    }
    if (!r.object("FIELDBUS") || !r.fieldbusBody(fieldbus))
        return r.m_status;
    for (int i = 0; i < kSubnetCount; ++i) {
        if (!r.object("CONFIG") || !r.configBody(subnet(i), tail.flags, i + 1))
            return r.m_status;
    }
    // The last body read decides the flags and the version.
    if (tail.flags.version >= 246 && r.string(tail.mode))
        r.string(tail.data);
    return r.m_status;
}

// Empties every text and count of a record, keeping the strings' storage.
void clearRecord(CONFIG &c)
{
    for (const auto &f : kConfigFields)
        (c.*f.member).clear();
    c.nodeCount = c.commandCount = 0;
    for (NODE &n : c.nodes)
        for (const auto &f : kNodeFields)
            (n.*f.member).clear();
    for (COMMAND &cmd : c.commands) {
        for (const auto &f : kCommandFields)
            (cmd.*f.member).clear();
        cmd.nodeNumber = 0;
    }
}

} // namespace

ArchiveStatus readProject(std::string_view bytes, CodePage page, ConfigStore &store)
{
    // First the whole file is read into scratch records, so that a refused file leaves the store
    // exactly as it was; one subnet record serves all four bodies, since only whether they read
    // matters here. A refused file costs no more than that.
    {
        FIELDBUS fieldbus;
        auto scratch = std::make_unique_for_overwrite<CONFIG>(); // every member initialises itself
        FileTail tail;
        const ArchiveStatus status =
            readFile(bytes, page, fieldbus, [&](int) -> CONFIG & { return *scratch; }, tail);
        if (!status.ok())
            return status;
    }
    // The same bytes read the same way again, now straight into the store: this cannot fail.
    // Entries a file does not carry are empty.
    store.fieldbus = FIELDBUS{};
    for (CONFIG &c : store.subnets)
        clearRecord(c);
    FileTail tail;
    const ArchiveStatus status = readFile(
        bytes, page, store.fieldbus,
        [&](int i) -> CONFIG & { return store.subnets[static_cast<std::size_t>(i)]; }, tail);
    store.gatewayType = tail.gatewayType;
    store.fieldbus.profibusConfigMode = std::move(tail.mode);
    store.fieldbus.profibusConfigData = std::move(tail.data);
    for (int n = 1; n <= 7; ++n)
        store.setModelFlag(n, tail.flags.flags[n - 1]);
    store.fileVersion = tail.flags.version;
    store.keepConfigOnNew = true;
    return status;
}

} // namespace tqv
