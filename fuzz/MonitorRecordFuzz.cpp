// Fuzz target for the monitor records of the three monitoring links: arbitrary bytes, read as a
// framed handshake reply, a framed record in each mode, a record of the serial record link and a
// UDP datagram, must be judged without reading past them, and a shown row must have its link's
// columns and a status the link shows.
#include "ScriptedPeer.h"
#include "monitor/MonitorRecord.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using namespace tqv;

std::uint8_t byteAt(std::string_view bytes, std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); }

void checkFramed(std::string_view bytes)
{
    for (FramedMode mode : {FramedMode::Master, FramedMode::Slave, FramedMode::Other}) {
        if (!judgeHandshake(bytes, mode))
            check(bytes.size() >= kFramedHandshakeSize && byteAt(bytes, 0) == 0xD0, "a short handshake passed");
        const auto size = framedRecordSize(bytes, mode);
        check(!size || (mode == FramedMode::Master && *size >= 8 && *size <= 258), "framed record size out of range");
        const ParsedRecord record = parseFramedRecord(bytes, mode);
        if (record.verdict != RecordVerdict::Show)
            continue;
        check(record.row.status != 255, "a framed record with status 255 shown");
        check(record.row.cells.size() == monitorColumns(MonitorLinkKind::Framed, mode).size(), "framed row with wrong columns");
        check(!record.row.cells[1].empty(), "a framed row without a status");
        if (mode == FramedMode::Master)
            check(bytes.size() >= std::size_t{byteAt(bytes, 1)} + 2 && bytes.size() >= 8, "framed row past its bytes");
    }
}

void checkSerial(std::string_view bytes)
{
    const auto size = recordSize(bytes);
    check(!size || (*size >= 1 && *size <= 260), "record size out of range");
    const ParsedRecord record = parseSerialRecord(bytes);
    if (record.verdict != RecordVerdict::Show)
        return;
    check(size && bytes.size() >= *size, "a record shown before it is complete");
    check(record.row.status <= 3 && record.row.cells.size() == monitorColumns(MonitorLinkKind::RecordSerial).size(),
          "record row with wrong status or columns");
    if (record.row.status == 0 || record.row.status == 2)
        check(record.row.cells[4].size() == 3u * byteAt(bytes, 4), "record data text not three characters a byte");
}

void checkUdp(std::string_view bytes)
{
    const ParsedRecord record = parseUdpRecord(bytes);
    if (record.verdict != RecordVerdict::Show)
        return;
    check(bytes.size() >= 20, "a UDP record shown from a short datagram");
    check(record.row.status <= 3 && record.row.cells.size() == monitorColumns(MonitorLinkKind::Udp).size(),
          "UDP row with wrong status or columns");
    const std::size_t length = byteAt(bytes, 7);
    if (record.row.status == 0 || record.row.status == 2)
        check(record.row.cells[5].size() == 3 * (length > 12 ? length - 12 : 0), "UDP data text not its length");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    checkFramed(bytes);
    checkSerial(bytes);
    checkUdp(bytes);
    return 0;
}
