#pragma once

#include <cstddef>
#include <cstdint>
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

    // One read of the master side into `buffer`: bytes (their number in `count`), nothing yet (try
    // again), or a failed pty (said on stderr). The slave side is held open, so an end of file is
    // never the program closing its port.
    enum class Read { Bytes, Again, Failed };
    Read read(std::uint8_t *buffer, std::size_t size, std::size_t &count);

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
