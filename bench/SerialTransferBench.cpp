// Download and upload of a one-subnet configuration with 128 commands against the gateway
// simulator pacing its replies at a line speed, compared with what the line allows: every byte
// both ways at 10 bits per byte. A transfer that waits a fixed time per exchange shows up here as
// a large ratio; an event-driven one stays close to 1 plus the simulator's reply latency. The
// simulator paces only its own replies: a pty carries the program's requests at once, so a
// transfer made mostly of requests (the download) comes in under the two-way limit.
//
//   tqv-bench-serial [runs]   (default 5 runs per line speed)
#include "io/QtSerialLink.h"
#include "link/TransferObserver.h"
#include "link/Prompter.h"
#include "resources/Strings.h"
#include "serial/DownloadProcedure.h"
#include "serial/Exchange.h"
#include "serial/UploadProcedure.h"
#include "support/GatewaySimProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
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
        return m_inner.write(bytes);
    }
    std::size_t bytesAvailable() override { return m_inner.bytesAvailable(); }
    std::string readAll() override
    {
        std::string bytes = m_inner.readAll();
        received += bytes.size();
        return bytes;
    }
    bool waitForBytes(Millis timeout) override { return m_inner.waitForBytes(timeout); }
    void discardInput() override { m_inner.discardInput(); }
    std::size_t sent = 0;
    std::size_t received = 0;
    std::vector<std::uint8_t> codes; // the request code of every frame written

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

ConfigStore largestOneSubnet()
{
    ConfigStore store;
    store.newConfiguration();
    CONFIG &c = store.subnet(0);
    c.nodeCount = 1;
    c.nodes[0] = NODE{"1", "Node-1"};
    c.commandCount = kMaxCommands;
    for (int i = 0; i < kMaxCommands; ++i) {
        const bool write = i % 2 == 1;
        char mapping[16];
        std::snprintf(mapping, sizeof mapping, "%x", (write ? 0x4000 : 0x10) + 2 * i);
        c.commands[static_cast<std::size_t>(i)] =
            COMMAND{"1", write ? "16" : "3", std::to_string(i), "1", mapping, "0", "", "Fullword", "", "Quick-scan", 1};
    }
    return store;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    setLanguage(Language::English);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const ConfigStore store = largestOneSubnet();
    // Replies without a length to complete on end only after the line has been quiet for the
    // settle time; that wait is the protocol's, so it is shown apart from the line limit.
    std::printf("%-7s %-9s %6s %10s %10s %9s %7s\n", "baud", "transfer", "bytes", "median ms", "line ms",
                "settle ms", "ratio");
    for (const int baud : {19200, 115200}) {
        GatewaySimProcess sim({QStringLiteral("--line-speed"), QString::number(baud)});
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
                QElapsedTimer timer;
                timer.start();
                bool ok = false;
                if (upload)
                    ok = UploadProcedure(link, clock, prompter, observer).run(store).outcome == UploadOutcome::Uploaded;
                else
                    ok = DownloadProcedure(link, clock, prompter, observer).run(store, false).outcome ==
                         DownloadOutcome::Downloaded;
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
