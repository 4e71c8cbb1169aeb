#pragma once

#include "LineClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace simtest {

// What a finished run of the simulator binary printed and how it ended.
struct RunResult {
    int exitStatus = -1; // -1: did not exit on its own in time (then killed)
    std::string out;
    std::string err;
};

// The simulator binary as a child process on a link in its own temporary folder (or on loopback
// with --ethernet); killed and reaped in the destructor whatever the test did.
class SimProcess {
public:
    // `args` come after "--pty LINK".
    explicit SimProcess(std::vector<std::string> args = {});
    // The Ethernet gateway: "--ethernet" and `args`, with TQV580_GATEWAY_PORT set to `port`.
    static std::unique_ptr<SimProcess> ethernet(std::uint16_t port, std::vector<std::string> args = {});
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the child and waits (up to 10 s) for "ready LINK" ("ready" with --ethernet). On
    // failure `error` says why, with what the child wrote on stderr.
    bool start(std::string &error);

    // The next whole line the child prints after its ready line (without the newline), waiting
    // up to `timeoutMs`; nothing when none came.
    std::optional<std::string> nextLine(int timeoutMs);

    // Sends `signal` (SIGTERM unless given), then waits up to 10 s. The exit status, or -1 when
    // it had to be killed.
    int stop(int signal = SIGTERM);

    const std::string &link() const { return m_link; }
    // A path inside the temporary folder.
    std::string path(const std::string &name) const { return m_dir + "/" + name; }
    std::string stderrText() const;

    // Runs the binary with exactly `args` to its end (up to 10 s), for usage checks; `env` holds
    // NAME=VALUE settings added to the environment.
    static RunResult runToEnd(const std::vector<std::string> &args, const std::vector<std::string> &env = {});

    // The binary under test.
    static std::string binary();

private:
    std::vector<std::string> m_args;
    std::vector<std::string> m_env; // NAME=VALUE added to the child's environment
    bool m_ethernet = false;
    std::string m_out; // what the child printed and no one has taken yet
    std::string m_dir;
    std::string m_link;
    int m_pid = -1;
    int m_stdout = -1;
};

// The whole content of the file at `path`; empty when it cannot be read.
std::string readText(const std::string &path);

// A running simulator on a pty with a client on its line.
struct Session {
    explicit Session(std::vector<std::string> args) : sim(std::move(args)) {}

    // Starts the simulator and opens the line; fails the test when either does not work.
    void open()
    {
        std::string error;
        ASSERT_TRUE(sim.start(error)) << error;
        ASSERT_TRUE(line.open(sim.link())) << "cannot open " << sim.link();
    }

    SimProcess sim;
    LineClient line;
};

} // namespace simtest
