#pragma once
// The three monitoring links as state machines. The owner (a dialog's timer and its port's or
// socket's ready signal; the command line's event loop; a test) calls onTick() every
// tickInterval and onBytes()/onDatagram() when data has arrived; nothing here waits. Every outcome
// is an event handed to the sink: a row to show, a message box, the timer to stop, the dialog to
// close, "Send" to enable again.
#include "MonitorRecord.h"
#include "link/ByteLink.h"
#include "link/Clock.h"
#include "link/DatagramLink.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tqv {

enum class MonitorEventKind {
    Row,          // `row`: a record to show (and, on the record links, to save)
    Message,      // `text`: a message box
    TimerStopped, // timer 1 stops; the dialog stays open
    Closed,       // the link is closed (port or socket); the dialog closes
    SendEnabled,  // a write has ended (sent or dropped): "Send" is enabled again
    WriteDone,    // `text`: what a write sent, or why it sent nothing (sentText / notSentText)
};

struct MonitorEvent {
    MonitorEventKind kind = MonitorEventKind::Row;
    MonitorRow row;
    std::string text;
};

using MonitorSink = std::function<void(const MonitorEvent &)>;

// The framed serial link (CFramedMonitorDlg). The owner opens the port at 19200 baud; when that
// fails it shows "Fail to open the serial port %s " and does not create the link.
class FramedMonitorLink {
public:
    static constexpr Millis tickInterval{300};
    // How long the handshake reply may take: the port's read time-outs for 16 bytes.
    static constexpr Millis handshakeLimit{1700};

    FramedMonitorLink(ByteLink &link, const Clock &clock, FramedMode mode, MonitorSink sink);

    FramedMode mode() const { return m_mode; }
    // Sends D0 00 D0; the reply is judged when 16 bytes are there or the limit has passed.
    void start();
    void onTick();
    void onBytes();
    bool running() const { return m_state == State::Running; }
    bool closed() const { return m_state == State::Closed; }

    // "Suspend show"/"Continue to show": records are still answered while not showing.
    void setShowing(bool showing) { m_showing = showing; }
    bool showing() const { return m_showing; }
    // "Send": the texts are checked, and the write sent, at the next record. False when the link
    // has closed and will send nothing more.
    bool requestWrite(std::string addressText, std::string dataText);
    bool writePending() const { return m_writePending; }
    // "Stop debug and exit": the stop frame goes out at the next record, then the link closes.
    void requestStop() { m_stopPending = true; }
    bool stopPending() const { return m_stopPending; }
    // "Exit": closes without the stop frame.
    void exit();

private:
    enum class State { Idle, Handshake, Running, Closed };
    void judge();
    void handleRecord(const std::string &bytes);
    bool send(const std::string &bytes);
    void close();
    void report(MonitorEventKind kind, std::string text = {}, MonitorRow row = {});

    ByteLink &m_link;
    const Clock &m_clock;
    FramedMode m_mode;
    MonitorSink m_sink;
    State m_state = State::Idle;
    Millis m_handshakeDeadline{0};
    std::string m_pending; // bytes of a record whose length says more are coming
    bool m_waited = false; // the pending record has already waited one tick
    bool m_showing = true;
    bool m_writePending = false;
    bool m_stopPending = false;
    std::string m_writeAddress, m_writeData;
};

// The record serial link (CRecordMonitorDlg over the serial port at 115200 baud). The gateway
// starts sending by itself; every record with status 0 to 3 or 255 is answered with 00.
class RecordMonitorLink {
public:
    static constexpr Millis tickInterval{200};
    static constexpr Millis writeSettle{100};
    static constexpr int writeAttempts = 5;

    RecordMonitorLink(ByteLink &link, const Clock &clock, MonitorSink sink);

    void onTick();
    void onBytes() {}
    // A write whose texts passed checkRecordWrite: waits for the pending record (up to five ticks),
    // shows it and sends the write in place of its reply. False when the link takes no write now.
    bool beginWrite(MonitorWrite write);
    bool writing() const { return m_state == State::Writing; }
    bool closed() const { return m_state == State::Closed; }
    void exit();

private:
    enum class State { Running, Writing, Closed };
    // Takes what is waiting into m_pending; returns a complete record, or nothing yet.
    std::optional<std::string> takeRecord(bool waitForRest);
    bool send(const std::string &bytes);
    void report(MonitorEventKind kind, std::string text = {}, MonitorRow row = {});

    ByteLink &m_link;
    const Clock &m_clock;
    MonitorSink m_sink;
    State m_state = State::Running;
    std::string m_pending;
    bool m_waited = false;
    MonitorWrite m_write;
    Millis m_settleUntil{0};
    int m_attempts = 0;
};

// The UDP link (CRecordMonitorDlg for the Ethernet gateway).
class UdpMonitorLink {
public:
    static constexpr Millis tickInterval{100};
    static constexpr Millis receiveLimit{1000};
    static constexpr Millis settle{100};

    // `address` is the gateway's (targetAddress), `port` its monitor port (TQV580_MONITOR_PORT).
    UdpMonitorLink(DatagramLink &link, const Clock &clock, std::string address, std::uint16_t port,
                   MonitorSink sink);

    // Binds `localPort` and sends the start message. False when the port cannot be had: the
    // socket is closed, nothing is sent and nothing is shown.
    bool start(std::uint16_t localPort = kMonitorLocalPort);
    // One pending datagram per call (a tick, or the socket's ready signal).
    void onTick();
    void onDatagram() { onTick(); }
    // A checked write: after 100 ms the next record is shown and the write sent in place of its
    // reply. Without a record within 1000 ms, with a status outside 0 to 3 or a failed send,
    // nothing more is sent and the timer stays stopped. False when the link takes no write now.
    bool beginWrite(MonitorWrite write);
    bool writing() const { return m_state == State::WriteSettling || m_state == State::WriteReceiving; }
    bool halted() const { return m_state == State::Halted; }
    bool closed() const { return m_state == State::Closed; }
    // "Exit": after 100 ms the stop message, then the socket closes.
    void requestStop();

private:
    enum class State { Idle, Running, WriteSettling, WriteReceiving, Halted, Stopping, Closed };
    void close();
    void report(MonitorEventKind kind, std::string text = {}, MonitorRow row = {});

    DatagramLink &m_link;
    const Clock &m_clock;
    std::string m_address;
    std::uint16_t m_port;
    MonitorSink m_sink;
    State m_state = State::Idle;
    MonitorWrite m_write;
    Millis m_deadline{0};
};

} // namespace tqv
