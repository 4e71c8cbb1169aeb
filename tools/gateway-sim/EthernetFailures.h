#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace tqvsim {

// The misbehaviours of the Ethernet gateway switched on from the command line.
class EthernetFailures {
public:
    enum class Mode {
        NoAnswer,  // no-answer: no reply to a search or a TCP request; nothing is carried out
        WrongCode, // wrong-code: replies carry another command code; a write is not kept
        Refuse,    // refuse: nothing listens on the TCP port
        Pieces,    // pieces: the read reply goes out in several segments with pauses between
        Short,     // short: the read reply is cut short, then the connection is closed
    };

    // Adds the mode named `text`; an explanation when there is no such mode.
    std::optional<std::string> add(std::string_view text);

    bool has(Mode mode) const { return m_modes.contains(mode); }
    bool empty() const { return m_modes.empty(); }

private:
    std::set<Mode> m_modes;
};

} // namespace tqvsim
