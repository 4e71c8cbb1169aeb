#pragma once

#include "compare/ConfigDiff.h"
#include "gateway/GatewaySession.h"
#include "model/ConfigStore.h"
#include "serial/SerialSettings.h"

#include <QDialog>
#include <QThread>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tqv {

class QtSerialLink;
class QueuedObserver;
class BlockingPrompter;
class Clock;

// "Upload Configuration " and "Download configuration": a title line, a status line, up to four
// step (or subnet) lines with icons, a progress bar, the start button and "Exit".
//
// Every press goes through the gateway session of the configuration's route, on a worker thread
// that owns the links for the dialog's whole life: the serial port is opened there when the dialog
// initialises and closed there when it ends; an Ethernet transfer opens a connection of its own.
// Progress reaches the dialog through queued calls; a question blocks the worker until the user
// has answered it here. "Exit" during a transfer stops the worker at its next wait and closes the
// dialog once it has stopped; after an acknowledged Ethernet write it offers the restart first.
class TransferDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Upload, Download };

    // What the dialog needs from the window.
    struct Hooks {
        // The open configuration a press works on (read at each press; the Ethernet download's
        // checks recompute its byte counts).
        std::function<ConfigStore &()> configuration;
        // Download: the incomplete-information mark at the time of the press, and whether the
        // gateway allows remote configuration.
        std::function<bool()> incompleteMark;
        std::function<bool()> remoteConfigAllowed;
        // Upload: asked before a press; false leaves the press (the user cancelled the save question).
        std::function<bool()> mayReplaceDocument;
        // Upload: called with a read that has succeeded (its configuration is the gateway's).
        std::function<void(const GatewayRead &)> uploaded;
        // Ethernet: the gateway's address and port.
        std::string targetAddress;
        std::uint16_t targetPort = 18801;
    };

    TransferDialog(Kind kind, Hooks hooks, QWidget *parent = nullptr);
    ~TransferDialog() override;

    // Makes the dialog's session on the worker thread, runs the download's opening checks, and for
    // the serial line opens the port named by `settings`. False when the dialog must not be shown
    // (the reason has been shown); an empty port list leaves the dialog without a port (the
    // download says so).
    bool openSession(SerialSettings &settings);
    GatewayRoute route() const { return m_route; }
    void setUploadedHook(std::function<void(const GatewayRead &)> hook) { m_hooks.uploaded = std::move(hook); }

    QPushButton *startButton() const { return m_start; }
    QPushButton *exitButton() const { return m_exit; }
    QLabel *titleLine() const { return m_title; }
    QLabel *statusLine() const { return m_status; }
    QLabel *lineText(int index) const { return m_lines.at(static_cast<std::size_t>(index)).text; }
    QLabel *lineIcon(int index) const { return m_lines.at(static_cast<std::size_t>(index)).icon; }
    QProgressBar *progressBar() const { return m_progress; }
    // After a failed press: the port or address, the reason and how to try again.
    QLabel *failureLine() const { return m_failureLine; }
    bool busy() const { return m_busy; }
    // Downloads: "Verify" (read back and compare after a successful download), the line with
    // its result and the button that lists the differences.
    QCheckBox *verifyCheck() const { return m_verify; }
    QLabel *verifyLine() const { return m_verifyLine; }
    QPushButton *differencesButton() const { return m_differencesButton; }
    const std::vector<Difference> &differences() const { return m_differences; }

    // "Exit", Esc and the window's close button: stops a running transfer first.
    void reject() override;

signals:
    // A press has ended (whatever the outcome); the dialog is ready for the next one.
    void transferEnded();

private:
    struct Line {
        QLabel *icon = nullptr;
        QLabel *text = nullptr;
    };
    void start();
    void runOnWorker(std::function<void()> job);
    void ended();
    void closeLinkAndStop();
    bool ethernet() const { return m_route == GatewayRoute::Ethernet; }
    // Leaving after an acknowledged Ethernet write: the restart is offered on the worker.
    void offerRestartAndClose();

    friend class QueuedObserver;
    friend class BlockingPrompter;
    void showTitle(const QString &text);
    void showStatus(const QString &text);
    void showLine(int index, const QString &text, int state);
    void showProgress(int done, int total);
    bool download() const { return m_kind == Kind::Download; }
    void showVerification(const Verification &verification);
    // How a press ended: a failure is shown beside the message box and the start button offered
    // again; a finished download hands the default to "Exit".
    void showOutcome(TransferOutcome outcome, const std::optional<TransferFailure> &failure);
    void showDifferences();

    Kind m_kind;
    Hooks m_hooks;
    GatewayRoute m_route;
    QLabel *m_title = nullptr;
    QLabel *m_status = nullptr;
    std::array<Line, 4> m_lines{};
    QProgressBar *m_progress = nullptr;
    QLabel *m_failureLine = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_exit = nullptr;
    QCheckBox *m_verify = nullptr;
    QLabel *m_verifyLine = nullptr;
    QPushButton *m_differencesButton = nullptr;
    std::vector<Difference> m_differences;
    bool m_busy = false;
    bool m_closing = false;
    bool m_verifyWanted = false; // the check box at the press, read on the worker

    QThread m_thread;
    QObject *m_worker = nullptr;          // lives in m_thread
    std::unique_ptr<QtSerialLink> m_link; // made, used and destroyed in m_thread only
    std::unique_ptr<GatewaySession> m_session; // m_thread only
    bool m_restartPending = false; // a copy of m_session->restartPending() for the window's thread
    // What the session reports through and asks through; they outlive every press, since the
    // Ethernet session keeps them for the restart question.
    std::unique_ptr<QueuedObserver> m_observer;
    std::unique_ptr<BlockingPrompter> m_prompter;
    std::unique_ptr<Clock> m_clock;
    std::atomic<bool> m_cancel{false};
};

} // namespace tqv
