#pragma once
// One monitoring run over whichever of the three links the configuration calls for. The window's
// two monitor dialogs and the command line drive it alike: start, input() when bytes or a
// datagram have arrived, tick() every line().tick, write, stop. Everything it has to say (rows,
// message boxes, the timer to stop, the end of the run, "Send" enabled again) goes to the sink.
#include "MonitorLinks.h"
#include "serial/SerialSettings.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tqv {

// The line a monitoring run uses: the link, how its serial port is set, how often it is ticked.
struct MonitorLine {
    MonitorLinkKind kind = MonitorLinkKind::RecordSerial;
    PortParameters port; // the serial links only: always 8 data bits, no parity, 1 stop bit
    Millis tick{0};

    bool serial() const { return kind != MonitorLinkKind::Udp; }
    bool operator==(const MonitorLine &) const = default;
};

// The line a monitoring link runs on: the speed from the model profile, the tick from the link
// (framed every 300 ms, record serial every 200 ms, UDP every 100 ms).
MonitorLine monitorLine(MonitorLinkKind kind);
// The same from the configuration and the answer to "Select Firmware version" (asked only with
// modelFlag7; pass false otherwise).
MonitorLine monitorLineFor(const ConfigStore &store, bool firmware5);

class MonitorSession {
public:
    // `mode`: how the framed link reads its records (from subnet 1's protocol); unused otherwise.
    MonitorSession(MonitorLine line, const Clock &clock, MonitorSink sink, FramedMode mode = FramedMode::Master);
    ~MonitorSession();
    MonitorSession(const MonitorSession &) = delete;
    MonitorSession &operator=(const MonitorSession &) = delete;

    const MonitorLine &line() const { return m_line; }
    FramedMode mode() const { return m_mode; }

    // The serial links. `port` is the opened port, or null when `portName` could not be opened:
    // the link's own message is reported and the run ends. The framed link then asks for the
    // subnet type; the record link waits for the gateway, which starts by itself.
    void start(ByteLink *port, std::string_view portName);
    // The UDP link: binds `localPort` and asks `address`:`port` to start. False when the local
    // port cannot be had: nothing is sent, nothing reported, and the run is over.
    bool start(DatagramLink &socket, const std::string &address, std::uint16_t port, std::uint16_t localPort);

    // Bytes or a datagram have arrived.
    void input();
    // The timer. Once the run has been stopped or has ended, a tick does nothing: a tick that was
    // due in the same turn of the event loop as the stop must not find the link closed.
    void tick();

    // The check a "Send" gets before anything happens: the record links refuse bad texts at once;
    // the framed link checks them at its next record, so nothing is refused here.
    std::optional<StrId> refusal(std::string_view address, std::string_view data) const;
    // "Send": the refusal, or the write under way (the framed link's at its next record; the
    // record links' after the pending record). SendEnabled follows when the write has ended.
    std::optional<StrId> write(std::string_view address, std::string_view data);
    bool writing() const;

    // "Suspend show" of the framed link: records are dropped but still answered.
    void setShowing(bool showing);
    bool showing() const;

    // Ends the run the gateway's way: the framed link sends its stop frame at the next record,
    // UDP its stop message after a pause; the record serial link has none and ends at once.
    // Ticks must go on until the end is reported (Closed).
    void stop();
    bool stopping() const { return m_state == State::Stopping; }
    // Ends the run at once without a stop message (the framed link's "Exit", a window closing).
    void exit();

    bool started() const { return m_state != State::Idle; }
    // The run has ended (Closed has been reported).
    bool ended() const { return m_state == State::Ended; }

private:
    enum class State { Idle, Running, Stopping, Ended };
    void onEvent(const MonitorEvent &e);
    void end();

    MonitorLine m_line;
    const Clock &m_clock;
    MonitorSink m_sink;
    FramedMode m_mode;
    State m_state = State::Idle;
    std::unique_ptr<FramedMonitorLink> m_framed;
    std::unique_ptr<RecordMonitorLink> m_record;
    std::unique_ptr<UdpMonitorLink> m_udp;
    bool m_showing = true;
};

} // namespace tqv
