#pragma once

#include <string>

namespace tqvsim {

// SIGINT and SIGTERM as a flag and a readable pipe, so that poll() and timed sleeps notice them.
class StopSignal {
public:
    // Installs the handlers (without SA_RESTART, so sleeps end early) and ignores SIGPIPE.
    // Returns a message when it could not.
    static std::string install();
    static bool requested();
    // Readable once a stop was requested.
    static int fd();
};

} // namespace tqvsim
