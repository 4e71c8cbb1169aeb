// Serial transfers of the largest project (four subnets of 128 commands, the extras of a new
// document's model) against the gateway simulator.
//
//   tqv-bench-serial [runs]            download and upload paced at 19200 and 115200 baud, next to
//                                      what the line allows (every byte both ways, 10 bits a byte)
//   tqv-bench-serial project FILE      writes the project, for the simulator's --state
//   tqv-bench-serial record PTY FILE   one upload through the program's session; writes each
//                                      request in hex and the length of its reply
//   tqv-bench-serial upload PTY [BAUD] one upload through the program's session, then exits
//   tqv-bench-serial replay PTY FILE   a plain client: writes each recorded request and reads its
//                                      reply's bytes, nothing else
//
// The last two are the pair to time as whole processes against one simulator: the program's
// upload and the same frames replayed with no protocol logic at all. A transfer that waits a fixed
// time per exchange shows up as a large ratio. The simulator paces only its own replies: a pty
// carries the program's requests at once, so a transfer made mostly of requests (the download)
// comes in under the two-way limit.
#include "gateway/SerialGatewaySession.h"
#include "io/QtSerialLink.h"
#include "link/TransferObserver.h"
#include "link/Prompter.h"
#include "model/ProjectDocument.h"
#include "resources/CodePage.h"
#include "resources/Strings.h"
#include "serial/Exchange.h"
#include "support/GatewaySimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace tqv;

// Counts the bytes that cross the link both ways.
class CountingLink : public ByteLink {
public:
    explicit CountingLink(ByteLink &inner) : m_inner(inner) {}
    bool write(std::string_view bytes) override
    {
        sent += bytes.size();
        if (!bytes.empty())
            codes.push_back(static_cast<std::uint8_t>(bytes.front()));
        requests.emplace_back(bytes);
        replySizes.push_back(0);
        return m_inner.write(bytes);
    }
    std::size_t bytesAvailable() override { return m_inner.bytesAvailable(); }
    std::string readAll() override
    {
        std::string bytes = m_inner.readAll();
        received += bytes.size();
        if (!replySizes.empty())
            replySizes.back() += bytes.size();
        return bytes;
    }
    bool waitForBytes(Millis timeout) override { return m_inner.waitForBytes(timeout); }
    void discardInput() override { m_inner.discardInput(); }
    std::size_t sent = 0;
    std::size_t received = 0;
    std::vector<std::uint8_t> codes; // the request code of every frame written
    std::vector<std::string> requests;
    std::vector<std::size_t> replySizes; // the bytes read after each request

private:
    ByteLink &m_inner;
};

// Messages would mean the benchmark measured a failure: printed, and questions answered Yes.
class PrintingPrompter : public Prompter {
public:
    void info(const std::string &text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    bool askYesNo(const std::string &) override { return true; }
    bool askOkCancel(const std::string &) override { return true; }
    Answer askYesNoCancel(const std::string &) override { return Answer::Yes; }
};

class NoObserver : public TransferObserver {
public:
    void setTitle(const std::string &) override {}
    void setStatus(const std::string &) override {}
    void setLine(int, const std::string &, LineState) override {}
    void setProgress(int, int) override {}
};

ConfigStore largest()
{
    ConfigStore store;
    store.newConfiguration(); // a new document's model flags: the extras of the upload
    std::array<bool, 7> flags{};
    for (int n = 1; n <= 7; ++n)
        flags[static_cast<std::size_t>(n - 1)] = store.modelFlag(n);
    store.setTypeAndFlags(2, flags);
    for (int k = 0; k < kSubnetCount; ++k) {
        CONFIG &c = store.subnet(k);
        c.nodeCount = 1;
        c.nodes[0] = NODE{"1", "Node-1"};
        c.commandCount = kMaxCommands;
        for (int i = 0; i < kMaxCommands; ++i) {
            const bool write = i % 2 == 1;
            char mapping[16];
            std::snprintf(mapping, sizeof mapping, "%x", (write ? 0x4000 : 0x10) + 2 * i);
            c.commands[static_cast<std::size_t>(i)] = COMMAND{
                "1", write ? "16" : "3", std::to_string(i), "1", mapping, "0", "", "Fullword", "", "Quick-scan", 1};
        }
    }
    return store;
}

std::string hex(const std::string &bytes)
{
    std::string out;
    char b[3];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02x", c);
        out += b;
    }
    return out;
}

// The plain client: raw pty, write a request, read until its reply's bytes are there.
int replay(const char *pty, const char *file)
{
    std::ifstream in(file);
    std::vector<std::pair<std::string, std::size_t>> frames;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string h;
        std::size_t n = 0;
        words >> h >> n;
        std::string bytes;
        for (std::size_t i = 0; i + 1 < h.size(); i += 2)
            bytes += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
        frames.emplace_back(bytes, n);
    }
    const int fd = ::open(pty, O_RDWR | O_NOCTTY);
    if (fd < 0 || frames.empty()) {
        std::fprintf(stderr, "cannot replay %s on %s\n", file, pty);
        return 1;
    }
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    char buffer[512];
    for (const auto &[request, replySize] : frames) {
        if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
            return 1;
        std::size_t got = 0;
        while (got < replySize) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0)
                return 1;
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                return 1;
            got += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

// One upload through the program's serial session; the recording of its frames when `record`.
int uploadOnce(const char *pty, int baud, const char *record)
{
    const ConfigStore store = largest();
    QtSerialLink port;
    if (const Status opened = port.open(pty, PortParameters{baud}); !opened) {
        std::fprintf(stderr, "%s\n", opened.message().c_str());
        return 1;
    }
    SteadyClock clock;
    NoObserver observer;
    PrintingPrompter prompter;
    CountingLink link(port);
    SerialGatewaySession session(link, {}, "", clock, prompter, observer);
    const GatewayRead read = session.read(store);
    if (!read.complete() || read.configuration.subnet(3).commandCount != kMaxCommands) {
        std::fprintf(stderr, "upload failed: %s\n", read.message.c_str());
        return 1;
    }
    if (record) {
        std::ofstream out(record);
        for (std::size_t i = 0; i < link.requests.size(); ++i)
            out << hex(link.requests[i]) << ' ' << link.replySizes[i] << '\n';
    }
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    setLanguage(Language::English);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "project" && argc == 3) {
        ConfigStore store = largest();
        return ProjectDocument::save(argv[2], store, codePageFor(Language::English)).ok() ? 0 : 1;
    }
    if (mode == "record" && argc == 4)
        return uploadOnce(argv[2], 19200, argv[3]);
    if (mode == "upload" && argc >= 3)
        return uploadOnce(argv[2], argc > 3 ? std::atoi(argv[3]) : 19200, nullptr);
    if (mode == "replay" && argc == 4)
        return replay(argv[2], argv[3]);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    ConfigStore store = largest();
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("largest.tqv"));
    if (!ProjectDocument::save(state.toStdString(), store, codePageFor(Language::English)).ok())
        return 1;
    // Replies without a length to complete on end only after the line has been quiet for the
    // settle time; that wait is the protocol's, so it is shown apart from the line limit.
    std::printf("%-7s %-9s %6s %10s %10s %9s %7s\n", "baud", "transfer", "bytes", "median ms", "line ms",
                "settle ms", "ratio");
    for (const int baud : {19200, 115200}) {
        GatewaySimProcess sim({QStringLiteral("--line-speed"), QString::number(baud), QStringLiteral("--state"), state});
        QString error;
        if (!sim.start(error)) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
            return 1;
        }
        QtSerialLink port;
        if (const Status opened = port.open(sim.link().toStdString(), PortParameters{baud}); !opened) {
            std::fprintf(stderr, "%s\n", opened.message().c_str());
            return 1;
        }
        SteadyClock clock;
        NoObserver observer;
        PrintingPrompter prompter;
        for (const bool upload : {false, true}) {
            std::vector<double> times;
            std::size_t bytes = 0;
            double settle = 0;
            for (int r = 0; r < runs; ++r) {
                CountingLink link(port);
                SerialGatewaySession session(link, {}, "", clock, prompter, observer);
                QElapsedTimer timer;
                timer.start();
                const bool ok = upload ? session.read(store).complete() : session.write(store, false).complete();
                times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
                if (!ok) {
                    std::fprintf(stderr, "%s failed at %d baud\n", upload ? "upload" : "download", baud);
                    return 1;
                }
                bytes = link.sent + link.received;
                settle = 0;
                for (std::uint8_t code : link.codes)
                    if (replyRuleFor(code, ReplyContext::of(store)).completion == Completion::Quiet)
                        settle += static_cast<double>(kSettleTime.count());
            }
            const double limit = static_cast<double>(bytes) * 10.0 * 1000.0 / baud;
            const double m = median(times);
            std::printf("%-7d %-9s %6zu %10.1f %10.1f %9.0f %7.2f\n", baud, upload ? "upload" : "download", bytes, m,
                        limit, settle, m / (limit + settle));
        }
    }
    return 0;
}
