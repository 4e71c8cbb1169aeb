#include "PtyPort.h"
#include <iostream>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tqvsim {

namespace {

std::string failure(const std::string &what) { return what + ": " + std::strerror(errno); }

} // namespace

std::unique_ptr<PtyPort> PtyPort::open(const std::string &link, std::string &error)
{
    std::unique_ptr<PtyPort> port(new PtyPort);
    port->m_link = link;

    port->m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (port->m_master < 0) {
        error = failure("posix_openpt");
        return nullptr;
    }
    if (::grantpt(port->m_master) != 0 || ::unlockpt(port->m_master) != 0) {
        error = failure("grantpt/unlockpt");
        return nullptr;
    }
    char name[128];
    if (::ptsname_r(port->m_master, name, sizeof name) != 0) {
        error = failure("ptsname");
        return nullptr;
    }
    port->m_slavePath = name;
    if (::fcntl(port->m_master, F_SETFL, ::fcntl(port->m_master, F_GETFL) | O_NONBLOCK) != 0) {
        error = failure("fcntl");
        return nullptr;
    }

    // Our own hold on the slave side; it also carries the raw settings the program finds.
    port->m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (port->m_slave < 0) {
        error = failure(std::string("open ") + name);
        return nullptr;
    }
    termios tio{};
    if (::tcgetattr(port->m_slave, &tio) != 0) {
        error = failure("tcgetattr");
        return nullptr;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(port->m_slave, TCSANOW, &tio) != 0) {
        error = failure("tcsetattr");
        return nullptr;
    }

    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = "\"" + link + "\" exists and is not a symbolic link; not replacing it";
        return nullptr;
    }
    // A new link under a temporary name renamed over the old one: the path never dangles half-made.
    const std::string temp = link + ".sim-" + std::to_string(::getpid());
    ::unlink(temp.c_str());
    if (::symlink(name, temp.c_str()) != 0) {
        error = failure("symlink " + temp);
        return nullptr;
    }
    if (::rename(temp.c_str(), link.c_str()) != 0) {
        error = failure("rename " + temp + " to " + link);
        ::unlink(temp.c_str());
        return nullptr;
    }
    port->m_linked = true;
    return port;
}

PtyPort::Read PtyPort::read(std::uint8_t *buffer, std::size_t size, std::size_t &count)
{
    count = 0;
    const ssize_t n = ::read(m_master, buffer, size);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return Read::Again;
    if (n <= 0) {
        std::cerr << "tqv580-gateway-sim: the pty failed: " << (n < 0 ? std::strerror(errno) : "end of file")
                  << std::endl;
        return Read::Failed;
    }
    count = static_cast<std::size_t>(n);
    return Read::Bytes;
}

void PtyPort::removeLink()
{
    if (!m_linked)
        return;
    m_linked = false;
    char target[256];
    const ssize_t n = ::readlink(m_link.c_str(), target, sizeof target - 1);
    if (n < 0)
        return;
    target[n] = '\0';
    if (m_slavePath == target)
        ::unlink(m_link.c_str());
}

PtyPort::~PtyPort()
{
    removeLink();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

} // namespace tqvsim
