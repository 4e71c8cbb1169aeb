#pragma once

#include "link/ByteLink.h"
#include "link/Clock.h"

#include <algorithm>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace tqv {

// A clock that moves only when told to (or when the fake link waits); counts sleeps, so a test
// can show that a procedure never sleeps a fixed time.
class FakeClock : public Clock {
public:
    Millis now() const override { return m_now; }
    void sleepFor(Millis duration) override
    {
        ++sleeps;
        m_now += duration;
    }
    void advance(Millis duration) { m_now += duration; }
    void advanceTo(Millis when) { m_now = std::max(m_now, when); }

    int sleeps = 0;

private:
    Millis m_now{0};
};

// One piece of a scripted reply: its bytes arrive `after` the request was written.
struct ReplyPiece {
    Millis after;
    std::string bytes;
};

// A byte link whose peer is a script: every write takes the next scripted reply (possibly none,
// possibly in pieces) and schedules its pieces on the fake clock. Waiting moves the clock to the
// next arrival or by the whole timeout, so tests run without real time passing.
class FakeSerialLink : public ByteLink {
public:
    explicit FakeSerialLink(FakeClock &clock) : m_clock(clock) {}

    // The reply to the next request not yet answered; an empty list means no reply at all.
    void reply(std::vector<ReplyPiece> pieces) { m_replies.push_back(std::move(pieces)); }
    void reply(std::string bytes, Millis after = Millis{5}) { reply({{after, std::move(bytes)}}); }
    void noReply() { reply(std::vector<ReplyPiece>{}); }
    // Bytes that arrive at an absolute time, whatever was written (a late or stray reply).
    void arriveAt(Millis when, std::string bytes) { schedule(when, std::move(bytes)); }

    bool write(std::string_view bytes) override
    {
        if (failWrites)
            return false;
        written.emplace_back(bytes);
        if (!m_replies.empty()) {
            for (ReplyPiece &piece : m_replies.front())
                schedule(m_clock.now() + piece.after, std::move(piece.bytes));
            m_replies.pop_front();
        }
        return true;
    }
    std::size_t bytesAvailable() override
    {
        deliver();
        return m_available.size();
    }
    std::string readAll() override
    {
        deliver();
        return std::exchange(m_available, std::string());
    }
    bool waitForBytes(Millis timeout) override
    {
        ++waits;
        longestWait = std::max(longestWait, timeout);
        deliver();
        if (!m_available.empty())
            return true;
        if (!m_scheduled.empty() && m_scheduled.front().first <= m_clock.now() + timeout) {
            m_clock.advanceTo(m_scheduled.front().first);
            deliver();
            return true;
        }
        m_clock.advance(timeout);
        return false;
    }
    void discardInput() override
    {
        deliver();
        discarded += m_available;
        m_available.clear();
    }

    std::vector<std::string> written;
    std::string discarded;
    bool failWrites = false;
    int waits = 0;
    Millis longestWait{0};

private:
    void schedule(Millis when, std::string bytes)
    {
        auto at = std::upper_bound(m_scheduled.begin(), m_scheduled.end(), when,
                                   [](Millis t, const auto &entry) { return t < entry.first; });
        m_scheduled.insert(at, {when, std::move(bytes)});
    }
    void deliver()
    {
        while (!m_scheduled.empty() && m_scheduled.front().first <= m_clock.now()) {
            m_available += m_scheduled.front().second;
            m_scheduled.pop_front();
        }
    }

    FakeClock &m_clock;
    std::deque<std::vector<ReplyPiece>> m_replies;
    std::deque<std::pair<Millis, std::string>> m_scheduled;
    std::string m_available;
};

// Bytes from a list of values, for frames written as in a protocol listing.
inline std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

} // namespace tqv
