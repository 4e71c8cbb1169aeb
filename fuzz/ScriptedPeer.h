#pragma once
// The far end of a link for the fuzz targets: the reply arrives in two pieces, 20 ms apart, on a
// clock of its own, so a target runs without real time passing. And the targets' invariant check.
#include "link/ByteLink.h"
#include "link/Clock.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

namespace tqv {

// Stops the target at the first broken invariant, naming it.
inline void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant violated: %s\n", what);
        std::abort();
    }
}

template <typename Link> class ScriptedPeer : public Link, public Clock {
public:
    ScriptedPeer(std::string_view reply, std::size_t split)
        : m_first(reply.substr(0, split)), m_second(reply.substr(split))
    {
    }
    bool write(std::string_view) override { return true; }
    std::size_t bytesAvailable() override { return m_available.size(); }
    std::string readAll() override { return std::exchange(m_available, std::string()); }
    bool waitForBytes(Millis timeout) override
    {
        if (!m_available.empty())
            return true;
        std::string &next = !m_first.empty() ? m_first : m_second;
        if (next.empty()) {
            m_now += timeout;
            return false;
        }
        m_now += Millis{20};
        m_available = std::exchange(next, std::string());
        return true;
    }
    void discardInput() override { m_available.clear(); }
    Millis now() const override { return m_now; }
    void sleepFor(Millis d) override { m_now += d; }

private:
    std::string m_first;
    std::string m_second;
    std::string m_available;
    Millis m_now{0};
};

} // namespace tqv
