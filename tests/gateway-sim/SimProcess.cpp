#include "SimProcess.h"

#include "EthernetClient.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace simtest {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(10);

std::string makeTempDir()
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tqvsim-test-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return {};
    return pattern;
}

// Forks and execs the binary with `args` and the environment plus `env`; the child's stdout goes
// to `outFd`, stderr to `errPath`.
int spawn(const std::vector<std::string> &args, int outFd, const std::string &errPath,
          const std::vector<std::string> &env = {})
{
    std::vector<char *> argv;
    const std::string bin = SimProcess::binary();
    argv.push_back(const_cast<char *>(bin.c_str()));
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    // The Ethernet gateway also listens for monitoring: on a free port of its own unless the test
    // names one, so that simulators started side by side never share a port.
    std::vector<std::string> settings = env;
    const bool ethernet = std::find(args.begin(), args.end(), "--ethernet") != args.end();
    const bool monitorPortGiven = std::any_of(settings.begin(), settings.end(), [](const std::string &s) {
        return s.starts_with("TQV580_MONITOR_PORT=");
    });
    if (ethernet && !monitorPortGiven)
        settings.push_back("TQV580_MONITOR_PORT=" + std::to_string(freeLoopbackPort()));
    // Built before the fork: the child only execs.
    std::vector<char *> envp;
    for (char **e = environ; *e; ++e) {
        const std::string_view entry(*e);
        bool replaced = false;
        for (const std::string &extra : settings)
            replaced = replaced || entry.starts_with(extra.substr(0, extra.find('=') + 1));
        if (!replaced)
            envp.push_back(*e);
    }
    for (const std::string &extra : settings)
        envp.push_back(const_cast<char *>(extra.c_str()));
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(outFd, STDOUT_FILENO);
        if (err >= 0)
            ::dup2(err, STDERR_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

// Waits for `pid` until `deadline`; its exit status, or -1 (then it is killed and reaped).
int reap(int pid, Clock::time_point deadline)
{
    int status = 0;
    while (true) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (done < 0)
            return -1;
        if (Clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

std::string readText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string SimProcess::binary() { return TQV_GATEWAY_SIM_BINARY; }

SimProcess::SimProcess(std::vector<std::string> args) : m_args(std::move(args))
{
    m_dir = makeTempDir();
    m_link = m_dir + "/link";
}

std::unique_ptr<SimProcess> SimProcess::ethernet(std::uint16_t port, std::vector<std::string> args)
{
    auto sim = std::make_unique<SimProcess>(std::move(args));
    sim->m_ethernet = true;
    sim->m_env = {"TQV580_GATEWAY_PORT=" + std::to_string(port)};
    return sim;
}

SimProcess::~SimProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    if (m_stdout >= 0)
        ::close(m_stdout);
    if (!m_dir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
}

std::string SimProcess::stderrText() const { return readText(path("stderr.txt")); }

bool SimProcess::start(std::string &error)
{
    if (m_dir.empty()) {
        error = "no temporary folder";
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = "pipe failed";
        return false;
    }
    std::vector<std::string> args;
    if (m_ethernet)
        args.push_back("--ethernet");
    else
        args = {"--pty", m_link};
    args.insert(args.end(), m_args.begin(), m_args.end());
    m_pid = spawn(args, fds[1], path("stderr.txt"), m_env);
    ::close(fds[1]);
    m_stdout = fds[0];

    const std::string expected = m_ethernet ? "ready" : "ready " + m_link;
    const std::optional<std::string> line = nextLine(static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(kPatience).count()));
    if (line != expected) {
        error = "expected \"" + expected + "\" on stdout, got \"" + line.value_or(m_out) + "\"; stderr: " +
                stderrText();
        return false;
    }
    return true;
}

std::optional<std::string> SimProcess::nextLine(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_out.find('\n') == std::string::npos) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || m_stdout < 0)
            return std::nullopt;
        pollfd p{m_stdout, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buf[256];
        const ssize_t n = ::read(m_stdout, buf, sizeof buf);
        if (n <= 0)
            return std::nullopt;
        m_out.append(buf, static_cast<std::size_t>(n));
    }
    const std::size_t end = m_out.find('\n');
    std::string line = m_out.substr(0, end);
    m_out.erase(0, end + 1);
    return line;
}

int SimProcess::stop(int signal)
{
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, signal);
    const int status = reap(m_pid, Clock::now() + kPatience);
    m_pid = -1;
    return status;
}

RunResult SimProcess::runToEnd(const std::vector<std::string> &args, const std::vector<std::string> &env)
{
    RunResult result;
    const std::string dir = makeTempDir();
    int fds[2];
    if (dir.empty() || ::pipe2(fds, O_CLOEXEC) != 0)
        return result;
    const int pid = spawn(args, fds[1], dir + "/stderr.txt", env);
    ::close(fds[1]);
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        result.out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    result.exitStatus = reap(pid, deadline);
    result.err = readText(dir + "/stderr.txt");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return result;
}

} // namespace simtest
