#pragma once
// Finding Ethernet gateways: the search request, the reading of a reply, and the search itself as
// a state machine over a DatagramLink that its owner drives from a timer and the link's ready
// callback, so that neither the window nor the command line ever blocks on it.
#include "MessageHeader.h"
#include "link/Clock.h"
#include "link/DatagramLink.h"
#include "model/SessionState.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tqv {

// One found gateway: the six texts of its row in the device list, in column order, and the
// permission they show.
struct DeviceInfo {
    std::string listNumber;   // " 1" in a broadcast search (width 2), "1" for a fixed address
    std::string model;        // always "WLT-618ZC": the reply does not carry it
    std::string ipAddress;    // "192.168.0.10"
    std::string macAddress;   // "00-1a-2b-3c-4d-5e"
    std::string firmware;     // "1.10"
    std::string remoteConfig; // "Allows remote configuration" or "Prohibit configurating remotely"
    bool remoteConfigAllowed = false;

    std::array<std::string, 6> columns() const;
    bool operator==(const DeviceInfo &) const = default;
};

enum class SearchMode {
    Broadcast,    // 5 broadcasts at most, one per timer tick
    FixedAddress, // one query to the session's target address
};

// What a reply is read into: the first 68 bytes, the rest zero.
constexpr std::size_t kSearchReplyBufferSize = 68;
// In a broadcast search a reply of this many bytes or fewer is skipped.
constexpr std::size_t kShortSearchReply = 15;

// The 8-byte search request: command 3, no payload.
std::string searchRequest();

// The device a search reply describes, or nothing when the reply is skipped: it does not start
// with command 3 or, in a broadcast search, is 15 bytes or shorter. A fixed-address query checks
// no length; missing bytes read as zero. `number` is the running number of the broadcast search.
std::optional<DeviceInfo> parseSearchReply(std::string_view datagram, SearchMode mode, int number = 1);

// The search of the "Seach Device" dialog. The owner calls start() once the link exists, then
// tick() every tickInterval while ticking() (broadcast search), or fixedQueryExpired() once
// fixedReplyLimit after start() (fixed address). Datagrams are taken whenever the link reports
// them. Everything the dialog shows is read from here after each call and after the change
// callback. The link must outlive the search (its destructor closes the link).
class DeviceSearch {
public:
    static constexpr Millis tickInterval{300};
    static constexpr Millis fixedReplyLimit{1000};
    static constexpr int broadcasts = 5;
    static constexpr int progressStep = 20;
    static constexpr int progressMaximum = 100;

    // The search reads `session.useFixedAddress` and `targetAddress` at start(), and writes
    // `remoteConfigAllowed` (each reply read, and a row selected) and `targetAddress` (a row
    // selected).
    DeviceSearch(DatagramLink &link, SessionState &session, EthernetEndpoints endpoints);
    // Stops listening and closes the link.
    ~DeviceSearch();
    DeviceSearch(const DeviceSearch &) = delete;
    DeviceSearch &operator=(const DeviceSearch &) = delete;

    // Binds the local port (a failure is silent: the search then finds nothing) and begins: a
    // broadcast search that waits for its first tick, or the one query of the fixed-address mode.
    void start();
    // The broadcast search's timer: finishes when a reply has been read since the last broadcast
    // or after the fifth broadcast; otherwise broadcasts (again).
    void tick();
    // The fixed-address mode's time limit has passed without a reply.
    void fixedQueryExpired();
    // "Refurbish": a new broadcast search (the list and the selection are cleared), or in the
    // fixed-address mode the same rows shown again. Ignored while the button is disabled.
    void refresh();
    // A click on row `row` of the list: selects it, enables "Iog In", makes its IP address the
    // target address and its permission the session's. False (and nothing changes) when no row is
    // there.
    bool select(int row);
    // Called after every change the dialog did not ask for itself (a reply that ended the
    // fixed-address query).
    void setChangedCallback(std::function<void()> changed) { m_changed = std::move(changed); }

    SearchMode mode() const { return m_mode; }
    bool bound() const { return m_bound; }
    bool ticking() const { return m_state == State::Searching && m_mode == SearchMode::Broadcast; }
    bool finished() const { return m_state == State::Finished; }
    int broadcastsSent() const { return m_broadcastsSent; }
    // The rows the list shows, and the devices read so far (they become rows at the end).
    const std::vector<DeviceInfo> &rows() const { return m_rows; }
    const std::vector<DeviceInfo> &devices() const { return m_devices; }
    int selectedRow() const { return m_selected; }
    std::string statusText() const;
    int progress() const { return m_progress; }
    bool logInEnabled() const { return m_logInEnabled; }
    bool refreshEnabled() const { return m_refreshEnabled; }

private:
    enum class State { Idle, Searching, Finished };
    enum class Status { Template, Searching, Finished };

    void onDatagrams();
    void finish();
    void broadcast();
    void notify();

    DatagramLink &m_link;
    SessionState &m_session;
    EthernetEndpoints m_endpoints;
    std::function<void()> m_changed;

    SearchMode m_mode = SearchMode::Broadcast;
    State m_state = State::Idle;
    Status m_status = Status::Template;
    bool m_bound = false;
    int m_ticks = 0;
    int m_broadcastsSent = 0;
    std::vector<DeviceInfo> m_devices;
    std::vector<DeviceInfo> m_rows;
    int m_selected = -1;
    int m_progress = 0;
    bool m_logInEnabled = false;
    bool m_refreshEnabled = false;
};

// The "Ethernet configuration" dialog's rules. Toggling "Use Search Functional": unchecked
// queries a fixed address from now on, checked searches again.
void setSearchFunctionChecked(SessionState &session, bool checked);
// OK: with the box unchecked, `addressText` becomes the target and a fixed address is used unless
// it is empty or "0.0.0.0"; with the box checked, the target is cleared and the search used.
void confirmEthernetConfig(SessionState &session, bool searchChecked, const std::string &addressText);
// Cancel: the target is cleared and the search used.
void cancelEthernetConfig(SessionState &session);

} // namespace tqv
