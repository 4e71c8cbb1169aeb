#include "FleetCommands.h"

#include "CliApp.h"
#include "CliFiles.h"
#include "QtRuntime.h"
#include "gateway/FleetManifest.h"
#include "gateway/GatewaySession.h"
#include "resources/Strings.h"
#include "resources/TextWidth.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace tqv {

namespace {

struct FleetOptions {
    std::string manifest;
    int jobs = 4;
    bool check = false;
    bool json = false;
};

// What one gateway's apply run gave.
struct FleetRow {
    bool done = false;
    bool changed = false;
    bool verified = false;
    double seconds = 0;
    std::string error; // empty: applied
    std::vector<std::string> differences;
};

// Ctrl+C reaches the loop through a pipe: the handler only writes a byte.
int g_interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_interruptPipe[1], &byte, 1);
}

// The child's verdict from its JSON line; else the last line it wrote on its error stream.
void readChildResult(FleetRow &row, const QByteArray &out, const QByteArray &err, int exitCode)
{
    const auto document = nlohmann::json::parse(out.toStdString(), nullptr, false);
    if (!document.is_discarded() && document.is_object()) {
        row.changed = document.value("changed", false);
        row.verified = document.value("verified", false);
        if (document.contains("error") && document["error"].is_string())
            row.error = document["error"].get<std::string>();
        if (document.contains("differences") && document["differences"].is_array())
            for (const auto &path : document["differences"])
                if (path.is_string())
                    row.differences.push_back(path.get<std::string>());
        if (exitCode != 0 && row.error.empty())
            row.error = formatText(StrId::FleetNoResult, {std::to_string(exitCode)});
        return;
    }
    const QList<QByteArray> lines = err.trimmed().split('\n');
    row.error = lines.isEmpty() || lines.last().trimmed().isEmpty()
                    ? formatText(StrId::FleetNoResult, {std::to_string(exitCode)})
                    : lines.last().trimmed().toStdString();
}

std::string statusOf(const FleetRow &row)
{
    if (!row.error.empty())
        return formatText(StrId::FleetStatusFailed, {row.error});
    if (!row.changed)
        return text(StrId::FleetStatusUnchanged);
    return text(row.verified ? StrId::FleetStatusChanged : StrId::FleetStatusWouldChange);
}

std::string secondsText(double seconds)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", seconds);
    return buffer;
}

void printTable(std::ostream &out, const std::vector<std::vector<std::string>> &rows)
{
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto &row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], displayWidth(row[c]));
    for (const auto &row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size())
                line.append(widths[c] - displayWidth(row[c]) + 2, ' ');
        }
        out << line << '\n';
    }
}

void printSummary(CliApp &app, const std::vector<FleetEntry> &entries, const std::vector<FleetRow> &rows, bool json)
{
    int failed = 0;
    for (const FleetRow &row : rows)
        failed += row.error.empty() ? 0 : 1;
    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            nlohmann::ordered_json error = nullptr;
            if (!rows[i].error.empty())
                error = rows[i].error;
            list.push_back({{"name", entries[i].name}, {"target", entries[i].target}, {"changed", rows[i].changed},
                            {"differences", rows[i].differences}, {"verified", rows[i].verified},
                            {"seconds", rows[i].seconds}, {"error", error}});
        }
        app.out() << nlohmann::ordered_json{{"gateways", list}, {"failed", failed}}.dump() << '\n';
    } else {
        const auto yesNo = [](bool b) { return text(b ? StrId::FleetYes : StrId::FleetNo); };
        std::vector<std::vector<std::string>> table = {{text(StrId::FleetColName), text(StrId::FleetColTarget),
                                                        text(StrId::FleetColChanged), text(StrId::FleetColVerified),
                                                        text(StrId::FleetColTime), text(StrId::FleetColError)}};
        for (std::size_t i = 0; i < rows.size(); ++i)
            table.push_back({entries[i].name, entries[i].target, yesNo(rows[i].changed), yesNo(rows[i].verified),
                             secondsText(rows[i].seconds), rows[i].error});
        printTable(app.out(), table);
    }
    app.err() << formatText(StrId::FleetSummary, {std::to_string(rows.size() - failed), std::to_string(rows.size()),
                                                  std::to_string(failed)})
              << '\n';
}

// The apply runs, at most `jobs` at once and never two on one key, each a child process of this
// program in a process group of its own: Ctrl+C on the terminal stops the fleet from starting
// more, while every running transfer goes on to its end.
class FleetRunner {
public:
    FleetRunner(CliApp &app, const FleetOptions &options, std::vector<FleetEntry> entries)
        : m_app(app), m_options(options), m_entries(std::move(entries)), m_rows(m_entries.size()),
          m_started(m_entries.size(), false)
    {
    }

    void run()
    {
        QSocketNotifier *notifier = nullptr;
        if (::pipe2(g_interruptPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
            notifier = new QSocketNotifier(g_interruptPipe[0], QSocketNotifier::Read, &m_loop);
            QObject::connect(notifier, &QSocketNotifier::activated, &m_loop, [this, notifier] {
                char byte;
                while (::read(g_interruptPipe[0], &byte, 1) > 0) {
                }
                notifier->setEnabled(false);
                // A second Ctrl+C ends the fleet itself; the children still finish on their own.
                std::signal(SIGINT, SIG_DFL);
                m_interrupted = true;
                m_app.err() << text(StrId::FleetInterrupted) << std::endl;
                startMore();
            });
            std::signal(SIGINT, onInterrupt);
        }
        startMore();
        if (m_running > 0)
            m_loop.exec();
        std::signal(SIGINT, SIG_DFL);
        delete notifier;
        for (int &fd : g_interruptPipe) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            if (!m_rows[i].done)
                m_rows[i].error = text(StrId::FleetNotStarted);
    }

    const std::vector<FleetEntry> &entries() const { return m_entries; }
    const std::vector<FleetRow> &rows() const { return m_rows; }

private:
    void startMore()
    {
        while (!m_interrupted && m_running < m_options.jobs) {
            const int next = nextStartable(m_entries, m_started, m_busy);
            if (next < 0)
                break;
            start(static_cast<std::size_t>(next));
        }
        if (m_running == 0)
            m_loop.quit();
    }

    QStringList argumentsFor(const FleetEntry &entry) const
    {
        QStringList args = {QStringLiteral("--lang"),
                            currentLanguage() == Language::Chinese ? QStringLiteral("zh") : QStringLiteral("en")};
        if (m_app.answersYes())
            args << QStringLiteral("--yes");
        args << QStringLiteral("apply") << QString::fromStdString(entry.project)
             << (entry.ethernet ? QStringLiteral("--address") : QStringLiteral("--port"))
             << QString::fromStdString(entry.ethernet ? entry.address : entry.target) << QStringLiteral("--json");
        if (m_options.check)
            args << QStringLiteral("--check");
        return args;
    }

    void start(std::size_t i)
    {
        const FleetEntry &entry = m_entries[i];
        m_started[i] = true;
        m_busy.insert(entry.key());
        ++m_running;
        auto *process = new QProcess(&m_loop);
        process->setProgram(QCoreApplication::applicationFilePath());
        process->setArguments(argumentsFor(entry));
        if (entry.port) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("TQV580_GATEWAY_PORT"), QString::number(entry.port));
            process->setProcessEnvironment(environment);
        }
        process->setChildProcessModifier([] { ::setpgid(0, 0); });
        auto timer = std::make_shared<QElapsedTimer>();
        QObject::connect(process, &QProcess::finished, &m_loop, [this, i, process, timer](int exitCode, QProcess::ExitStatus status) {
            readChildResult(m_rows[i], process->readAllStandardOutput(), process->readAllStandardError(),
                            status == QProcess::NormalExit ? exitCode : -1);
            finish(i, process, timer->elapsed());
        });
        QObject::connect(process, &QProcess::errorOccurred, &m_loop, [this, i, process, timer](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return; // a crash or a kill ends in finished()
            m_rows[i].error = formatText(StrId::FleetStartFailed, {process->program().toStdString()});
            finish(i, process, timer->elapsed());
        });
        m_app.err() << formatText(StrId::FleetStarted, {entry.name, entry.target}) << std::endl;
        timer->start();
        process->start();
    }

    void finish(std::size_t i, QProcess *process, qint64 elapsedMs)
    {
        FleetRow &row = m_rows[i];
        row.done = true;
        row.seconds = static_cast<double>(elapsedMs) / 1000.0;
        m_app.err() << formatText(StrId::FleetFinished, {m_entries[i].name, statusOf(row), secondsText(row.seconds)})
                    << std::endl;
        m_busy.erase(m_entries[i].key());
        --m_running;
        process->deleteLater();
        startMore();
    }

    CliApp &m_app;
    const FleetOptions &m_options;
    std::vector<FleetEntry> m_entries;
    std::vector<FleetRow> m_rows;
    std::vector<bool> m_started;
    std::set<std::string> m_busy;
    int m_running = 0;
    bool m_interrupted = false;
    QEventLoop m_loop;
};

int runFleet(CliApp &app, const FleetOptions &options)
{
    if (options.jobs < 1 || options.jobs > 64) {
        app.err() << text(StrId::FleetBadJobs) << '\n';
        return kExitUsage;
    }
    std::ifstream file(options.manifest, std::ios::binary);
    std::ostringstream content;
    if (!file || !(content << file.rdbuf())) {
        app.err() << formatText(StrId::FleetCannotRead, {options.manifest}) << '\n';
        return kExitUsage;
    }
    FleetManifest manifest = parseFleetManifest(content.str(), options.manifest);
    // A project that cannot be read, or one whose gateway the line cannot reach, is the line's fault.
    for (const FleetEntry &entry : manifest.entries) {
        auto store = std::make_unique<ConfigStore>();
        std::string problem;
        if (const Status read = readConfiguration(entry.project, fileKindOf(entry.project), *store); !read)
            problem = read.message();
        else if ((gatewayRouteOf(*store) == GatewayRoute::Ethernet) != entry.ethernet)
            problem = text(entry.ethernet ? StrId::CliVerifyNeedsPort : StrId::CliVerifyNeedsAddress);
        if (!problem.empty())
            manifest.problems.push_back(
                formatText(StrId::FleetBadLine, {options.manifest, std::to_string(entry.line), problem}));
    }
    // Every malformed line is named before anything is sent to any gateway.
    for (const std::string &problem : manifest.problems)
        app.err() << problem << '\n';
    if (!manifest.problems.empty())
        return kExitUsage;
    if (manifest.entries.empty()) {
        app.err() << formatText(StrId::FleetNoGateways, {options.manifest}) << '\n';
        return kExitUsage;
    }
    QtRuntime runtime;
    FleetRunner runner(app, options, manifest.entries);
    runner.run();
    printSummary(app, runner.entries(), runner.rows(), options.json);
    for (const FleetRow &row : runner.rows())
        if (!row.error.empty())
            return kExitProblem;
    return app.out() ? kExitOk : kExitProblem;
}

} // namespace

void addFleetCommand(CliApp &app)
{
    auto options = std::make_shared<FleetOptions>();
    CLI::App &fleet = app.addCommand("fleet", text(StrId::CliHelpFleet));
    fleet.add_option("MANIFEST", options->manifest, text(StrId::CliHelpFleetManifest))->required()->type_name("");
    fleet.add_option("--jobs", options->jobs, text(StrId::CliHelpFleetJobs))->type_name("N");
    fleet.add_flag("--check", options->check, text(StrId::CliHelpFleetCheck))->disable_flag_override();
    fleet.add_flag("--json", options->json, text(StrId::CliHelpFleetJson))->disable_flag_override();
    app.setJob(fleet, [&app, options] { return runFleet(app, *options); });
}

} // namespace tqv
