#include "StopSignal.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tqvsim {

namespace {

volatile std::sig_atomic_t g_stop = 0;
int g_pipe[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    const int saved = errno;
    g_stop = 1;
    const char byte = 1;
    // A full pipe already wakes the loop; nothing more to do then.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

std::string StopSignal::install()
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return std::string("cannot create the stop pipe: ") + std::strerror(errno);
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    if (::sigaction(SIGINT, &sa, nullptr) != 0 || ::sigaction(SIGTERM, &sa, nullptr) != 0)
        return std::string("cannot install the signal handlers: ") + std::strerror(errno);
    std::signal(SIGPIPE, SIG_IGN);
    return {};
}

bool StopSignal::requested() { return g_stop != 0; }

int StopSignal::fd() { return g_pipe[0]; }

} // namespace tqvsim
