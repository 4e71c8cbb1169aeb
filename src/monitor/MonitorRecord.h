#pragma once
#include "model/ConfigStore.h"
#include "model/ModelProfile.h"
// Monitor records of the three monitoring links: their bytes, the texts a list row shows, the
// frames and messages the program sends, the checks of a write request and the saved-file texts.
// Pure functions over bytes; the link drivers (MonitorLinks.h) put them on a wire.
#include "resources/StringId.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tqv {

// MonitorLinkKind and the links' line settings come with the model profile.

// How the framed link reads its records, from subnet 1's protocol.
enum class FramedMode { Master = 0, Slave = 1, Other = 2 };

// The link a monitoring run uses, by the model profile: the framed link needs firmware 5.X and up.
MonitorLinkKind monitorLinkFor(const ConfigStore &store, bool firmware5);
// Whether the model offers "Monitor I/O Data".
bool monitorCommandEnabled(const ConfigStore &store);

// One list row as the dialogs show it. `cells` are the list's columns (monitorColumns); the first
// one, the index, is filled in by the list when the row goes in, so a parsed row starts with an
// empty index cell.
struct MonitorRow {
    std::uint8_t status = 0; // status byte (framed modes 1 and 2: the direction byte)
    std::vector<std::string> cells;

    bool operator==(const MonitorRow &) const = default;
};

// What one received record asks for.
enum class RecordVerdict {
    Show,      // a row, then the reply
    NoRow,     // no row, but the reply (showing off, status 255 on the record serial link, a record
               // too short for its own length)
    NoReply,   // no row and nothing sent
};

struct ParsedRecord {
    RecordVerdict verdict = RecordVerdict::NoRow;
    MonitorRow row; // when verdict is Show
};

// Texts of the records (active language). A code without a text of its own is named with its number,
// so that every row says what it is.
std::string statusText(std::uint8_t status);
std::string exceptionText(std::uint8_t firstDataByte); // status 1 on the record serial link
std::string directionText(FramedMode mode, std::uint8_t direction);
// Data bytes as the framed link shows them: upper-case pairs, preceded by a blank in mode 0,
// followed by one in modes 1 and 2.
std::string framedDataText(FramedMode mode, std::string_view bytes);
// Data bytes as the record serial and UDP links show them: "%02X " each, the framed link's case.
std::string recordDataText(std::string_view bytes);

// The columns of every monitor list, in the one order all lists keep; each link shows those its
// records carry.
enum class MonitorColumn { Index, PortIndex, Status, Slave, Function, Start, Data };
std::vector<MonitorColumn> monitorColumns(MonitorLinkKind link, FramedMode mode = FramedMode::Master);
// The list's column headers, one per monitorColumns entry.
std::vector<std::string> columnHeaders(MonitorLinkKind link, FramedMode mode = FramedMode::Master);
// The widest texts a column can show besides its header (status and exception texts, the largest
// numbers), so that a list can be made wide enough for them in either language.
std::vector<std::string> columnSamples(MonitorColumn column, MonitorLinkKind link, FramedMode mode = FramedMode::Master);
// What "Send" did: the write as it went out ("Sent to 4000: 0A 1B"), or why it did not.
std::string sentText(std::uint16_t address, std::string_view data);
std::string notSentText(std::string_view reason);

// The monitor mode from subnet 1's protocol text (compared with the active language's value texts).
FramedMode framedModeFromProtocol(std::string_view protocol);

// --- framed serial link ---------------------------------------------------------------------
constexpr std::size_t kFramedHandshakeSize = 16;
constexpr std::size_t kFramedReadLimit = 249;
constexpr std::size_t kMaxWriteBytes = 244;
std::string framedAskSubnetType(); // D0 00 D0
std::string framedStart();         // D2 01 EA BD
std::string framedNext();          // D4 01 00 D5
std::string framedStop();          // D2 01 F0 C3
// D4, n+3, 01, address high, address low, data, sum. At most kMaxWriteBytes data bytes.
std::string framedWriteFrame(std::uint16_t address, std::string_view data);
// The 8-bit sum of the bytes.
std::uint8_t byteSum(std::string_view bytes);
// Judges the reply to D0 00 D0 against the mode. Nothing when the gateway's subnet matches;
// otherwise the message to show (the run then ends).
std::optional<StrId> judgeHandshake(std::string_view reply, FramedMode mode);
// Bytes a framed mode-0 record needs before it is complete (command, length, L bytes, check
// byte); nothing when not yet known. Modes 1 and 2 carry no length.
std::optional<std::size_t> framedRecordSize(std::string_view bytes, FramedMode mode);
// The first record of one read. Only the showing case: the caller drops the bytes when not showing.
ParsedRecord parseFramedRecord(std::string_view bytes, FramedMode mode);

// --- record serial link ---------------------------------------------------------------------
constexpr std::size_t kRecordReadLimit = 200;
std::string recordNext(); // 00
// 01, address high, address low, n, data. At most kMaxWriteBytes data bytes.
std::string recordWriteFrame(std::uint16_t address, std::string_view data);
// Bytes the record at the start of `bytes` needs (status, slave, address, n, n data bytes);
// nothing when not yet known.
std::optional<std::size_t> recordSize(std::string_view bytes);
// Status 4 to 254: NoReply; 255: NoRow; 0 to 3: Show (NoRow when shorter than its length).
ParsedRecord parseSerialRecord(std::string_view bytes);

// --- UDP link -------------------------------------------------------------------------------
constexpr std::size_t kUdpReadLimit = 300;
constexpr std::uint16_t kMonitorLocalPort = 10002;
std::string udpStart(); // command 14, EA EA EA EA 00 00 00 00
std::string udpStop();  // command 14, F0 F0 F0 F0 00 00 00 00
std::string udpNext();  // command 16, 00 00 00 00
// Command 16, 00 00 00 01, address, data. At most kMaxWriteBytes data bytes.
std::string udpWriteMessage(std::uint16_t address, std::string_view data);
// Status outside 0 to 3: NoReply; 0 to 3: Show (NoRow when the datagram is shorter than the
// record's length says).
ParsedRecord parseUdpRecord(std::string_view datagram);

// --- writes ---------------------------------------------------------------------------------
struct MonitorWrite {
    std::uint16_t address = 0;
    std::string data;

    bool operator==(const MonitorWrite &) const = default;
};

// A write request's check: the message to show, or the write.
struct WriteCheck {
    std::optional<StrId> error;
    MonitorWrite write;

    bool ok() const { return !error; }
};

// "Send" of CFramedMonitorDlg: data pairs, then the address (0x4000 to 0x40F3), then the size.
WriteCheck checkFramedWrite(std::string_view addressText, std::string_view dataText);
// "Send" of CRecordMonitorDlg: filled in, hex digits, blanks every third character, a 4-digit
// address from 0x4000 to 0x406F, then the size.
WriteCheck checkRecordWrite(std::string_view addressText, std::string_view dataText);

// The texts the dialogs start with.
inline constexpr std::string_view kInitialWriteAddress = "4000";
inline constexpr std::string_view kInitialWriteData = "00 01 02 03";

// --- saved files ----------------------------------------------------------------------------
// CFramedMonitorDlg's file: the header line (mode 0 only; empty otherwise), then one line per row
// (with its index cell) from the top row down; lines end in "\r\n".
std::string framedSaveHeader(FramedMode mode);
std::string framedSaveLine(FramedMode mode, const MonitorRow &row);
// CRecordMonitorDlg's block for one displayed record, lines ended by "\n", then an empty line.
std::string recordSaveBlock(MonitorLinkKind link, const MonitorRow &row);

} // namespace tqv
