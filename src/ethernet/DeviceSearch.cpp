#include "DeviceSearch.h"

#include "model/ByteBuffer.h"
#include "resources/Strings.h"

#include <algorithm>
#include <cstdio>

namespace tqv {

namespace {

// Offsets in the 68-byte reply buffer.
constexpr std::size_t kFirmwareMajorAt = 24;
constexpr std::size_t kFirmwareMinorAt = 26;
constexpr std::size_t kMacAt = 28;
constexpr std::size_t kMacSize = 6;
constexpr std::size_t kIpAt = 36;
constexpr std::size_t kPermissionAt = 64;
constexpr std::uint32_t kRemoteConfigAllowed = 1;

std::string printed(const char *format, auto... values)
{
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, values...);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(std::min<int>(n, sizeof buffer - 1))) : std::string();
}

} // namespace

std::array<std::string, 6> DeviceInfo::columns() const
{
    return {listNumber, model, ipAddress, macAddress, firmware, remoteConfig};
}

std::string searchRequest() { return encodeHeader(EthernetCommand::Search); }

std::optional<DeviceInfo> parseSearchReply(std::string_view datagram, SearchMode mode, int number)
{
    if (mode == SearchMode::Broadcast && datagram.size() <= kShortSearchReply)
        return std::nullopt;
    // Whatever the sender claims, only the first 68 bytes are looked at; a shorter reply reads
    // as if the rest were zero.
    std::string buffer(kSearchReplyBufferSize, '\0');
    buffer.replace(0, std::min(datagram.size(), buffer.size()), datagram.substr(0, buffer.size()));
    if (!startsWithCommand(buffer, EthernetCommand::Search))
        return std::nullopt;

    OffsetReader r(buffer);
    DeviceInfo d;
    d.listNumber = mode == SearchMode::Broadcast ? printed("%2d", number) : std::string("1");
    d.model = text(StrId::DeviceModelWlt618zc);
    d.ipAddress = printed("%d.%d.%d.%d", r.u8(kIpAt), r.u8(kIpAt + 1), r.u8(kIpAt + 2), r.u8(kIpAt + 3));
    const std::string_view mac = r.raw(kMacAt, kMacSize);
    d.macAddress = printed("%02x-%02x-%02x-%02x-%02x-%02x", static_cast<unsigned char>(mac[0]),
                           static_cast<unsigned char>(mac[1]), static_cast<unsigned char>(mac[2]),
                           static_cast<unsigned char>(mac[3]), static_cast<unsigned char>(mac[4]),
                           static_cast<unsigned char>(mac[5]));
    d.firmware = printed("%d.%d", r.u16(kFirmwareMajorAt), r.u16(kFirmwareMinorAt));
    d.remoteConfigAllowed = r.u32(kPermissionAt) == kRemoteConfigAllowed;
    d.remoteConfig = text(d.remoteConfigAllowed ? StrId::RemoteConfigAllowedText : StrId::RemoteConfigProhibitedText);
    return d;
}

DeviceSearch::DeviceSearch(DatagramLink &link, SessionState &session, EthernetEndpoints endpoints)
    : m_link(link), m_session(session), m_endpoints(std::move(endpoints))
{
}

DeviceSearch::~DeviceSearch()
{
    m_link.setReadyCallback(nullptr);
    m_link.close();
}

void DeviceSearch::start()
{
    if (m_state != State::Idle)
        return;
    m_mode = m_session.useFixedAddress ? SearchMode::FixedAddress : SearchMode::Broadcast;
    m_bound = m_link.bind(m_endpoints.localPort);
    m_link.setReadyCallback([this] { onDatagrams(); });
    m_state = State::Searching;
    m_progress = 0;
    m_logInEnabled = false;
    m_refreshEnabled = false;
    if (m_mode == SearchMode::Broadcast) {
        m_status = Status::Template;
        return;
    }
    m_status = Status::Searching;
    m_broadcastsSent = 1;
    // Without a bound socket no reply could come back: the query ends at once, as a failed send.
    if (!m_bound || !m_link.sendTo(m_session.targetAddress, m_endpoints.gatewayPort, searchRequest()))
        finish();
}

void DeviceSearch::tick()
{
    if (!ticking())
        return;
    ++m_ticks;
    if (!m_devices.empty() || m_broadcastsSent >= broadcasts) {
        finish();
        return;
    }
    m_progress += progressStep;
    broadcast();
}

void DeviceSearch::broadcast()
{
    ++m_broadcastsSent;
    // A failed send (no socket, no route) ends only this tick: the next one tries again.
    if (m_bound)
        m_link.sendTo(m_endpoints.searchAddress, m_endpoints.gatewayPort, searchRequest());
}

void DeviceSearch::fixedQueryExpired()
{
    if (m_state == State::Searching && m_mode == SearchMode::FixedAddress) {
        finish();
        notify();
    }
}

void DeviceSearch::onDatagrams()
{
    while (auto datagram = m_link.receive()) {
        // Only replies to a broadcast or query of the running search count; anything else
        // (late replies of an earlier search, strays) is taken off the socket and dropped.
        if (m_state != State::Searching || m_broadcastsSent == 0)
            continue;
        const int number = static_cast<int>(m_devices.size()) + 1;
        auto device = parseSearchReply(datagram->bytes, m_mode, number);
        if (device) {
            m_session.remoteConfigAllowed = device->remoteConfigAllowed;
            m_devices.push_back(std::move(*device));
        }
        // The fixed-address query reads a single reply, whether it fits or not.
        if (m_mode == SearchMode::FixedAddress) {
            finish();
            notify();
        }
    }
}

void DeviceSearch::finish()
{
    m_state = State::Finished;
    m_status = Status::Finished;
    m_progress = progressMaximum;
    m_refreshEnabled = true;
    m_rows = m_devices;
    if (m_mode == SearchMode::FixedAddress)
        m_logInEnabled = false;
}

void DeviceSearch::refresh()
{
    if (!m_refreshEnabled)
        return;
    if (m_mode == SearchMode::FixedAddress) {
        m_rows = m_devices;
        return;
    }
    m_state = State::Searching;
    m_status = Status::Searching;
    m_ticks = 0;
    m_broadcastsSent = 0;
    m_rows.clear();
    m_devices.clear();
    m_progress = 0;
    m_refreshEnabled = false;
    m_logInEnabled = false;
    m_selected = -1;
}

bool DeviceSearch::select(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return false;
    m_selected = row;
    m_logInEnabled = true;
    const DeviceInfo &device = m_rows[static_cast<std::size_t>(row)];
    m_session.targetAddress = device.ipAddress;
    // The permission the download checks is the chosen gateway's, not that of whichever gateway
    // happened to answer last.
    m_session.remoteConfigAllowed = device.remoteConfigAllowed;
    return true;
}

std::string DeviceSearch::statusText() const
{
    switch (m_status) {
    case Status::Template: return text(StrId::SearchSeaching);
    case Status::Searching: return text(StrId::SearchSearching);
    case Status::Finished: break;
    }
    return text(StrId::SearchFinished);
}

void DeviceSearch::notify()
{
    if (m_changed)
        m_changed();
}

void setSearchFunctionChecked(SessionState &session, bool checked) { session.useFixedAddress = !checked; }

void confirmEthernetConfig(SessionState &session, bool searchChecked, const std::string &addressText)
{
    if (searchChecked) {
        cancelEthernetConfig(session);
        return;
    }
    session.targetAddress = addressText;
    session.useFixedAddress = !addressText.empty() && addressText != "0.0.0.0";
}

void cancelEthernetConfig(SessionState &session)
{
    session.targetAddress.clear();
    session.useFixedAddress = false;
}

} // namespace tqv
