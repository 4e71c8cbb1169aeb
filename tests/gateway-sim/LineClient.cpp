#include "LineClient.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {

Bytes withSum(Bytes bytes)
{
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    bytes.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return bytes;
}

std::string hex(const Bytes &bytes)
{
    static const char *digits = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) {
        if (!out.empty())
            out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

LineClient::~LineClient() { close(); }

bool LineClient::open(const std::string &path)
{
    close();
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    ::tcsetattr(m_fd, TCSANOW, &tio);
    ::tcflush(m_fd, TCIOFLUSH);
    return true;
}

void LineClient::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void LineClient::send(const Bytes &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            return;
    }
}

void LineClient::readUntil(Bytes &into, std::size_t want, Clock::time_point deadline)
{
    while (into.size() < want) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        std::uint8_t buf[512];
        const std::size_t room = std::min(sizeof buf, want - into.size());
        const ssize_t n = ::read(m_fd, buf, room);
        if (n > 0)
            into.insert(into.end(), buf, buf + n);
    }
}

Bytes LineClient::readFrame(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Bytes frame;
    readUntil(frame, 2, deadline);
    if (frame.size() < 2)
        return frame;
    readUntil(frame, std::size_t{frame[1]} + 3, deadline);
    return frame;
}

Bytes LineClient::readExactly(std::size_t count, int timeoutMs)
{
    Bytes bytes;
    readUntil(bytes, count, Clock::now() + std::chrono::milliseconds(timeoutMs));
    return bytes;
}

Bytes LineClient::readFor(int ms)
{
    Bytes bytes;
    readUntil(bytes, SIZE_MAX, Clock::now() + std::chrono::milliseconds(ms));
    return bytes;
}

Bytes LineClient::exchange(const Bytes &request, int timeoutMs)
{
    send(request);
    return readFrame(timeoutMs);
}

std::vector<LineClient::Piece> LineClient::readPieces(std::size_t total, int timeoutMs)
{
    std::vector<Piece> pieces;
    std::size_t got = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got < total) {
        Bytes piece;
        readUntil(piece, 1, deadline);
        if (piece.empty())
            break;
        const auto at = Clock::now();
        // Take whatever else is already waiting without blocking: it belongs to the same piece.
        std::uint8_t buf[512];
        const ssize_t n = ::read(m_fd, buf, std::min(sizeof buf, total - got - piece.size()));
        if (n > 0)
            piece.insert(piece.end(), buf, buf + n);
        got += piece.size();
        pieces.push_back({std::move(piece), at});
    }
    return pieces;
}

} // namespace simtest
