#pragma once

#include <memory>
#include <string>

namespace tqvsim {

// A pseudo-terminal pair: the simulator reads and writes the master side; the slave side, raw and
// held open so that the program can close and reopen it without hanging up the master, is
// published for the program under a symbolic link.
class PtyPort {
public:
    // Creates the pair and the link (replacing a stale symbolic link; any other file there is
    // refused). Nothing and `error` on failure.
    static std::unique_ptr<PtyPort> open(const std::string &link, std::string &error);
    ~PtyPort();
    PtyPort(const PtyPort &) = delete;
    PtyPort &operator=(const PtyPort &) = delete;

    int masterFd() const { return m_master; }
    const std::string &slavePath() const { return m_slavePath; }
    const std::string &link() const { return m_link; }

    // Removes the link, unless something else has been put there meanwhile.
    void removeLink();

private:
    PtyPort() = default;

    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_link;
    bool m_linked = false;
};

} // namespace tqvsim
