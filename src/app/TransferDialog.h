#pragma once

#include "model/ConfigStore.h"
#include "serial/SerialSettings.h"

#include <QDialog>
#include <QThread>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tqv {

class QtSerialLink;

// "Upload Configuration " and "Download configuration": a title line, a status line, up to four
// step (or subnet) lines with icons, a progress bar, the start button and "Exit".
//
// The port belongs to a worker thread for the dialog's whole life: it is opened there when the
// dialog initialises, every press of the start button runs the core procedure there, and it is
// closed there when the dialog ends. Progress reaches the dialog through queued calls; a question
// blocks the worker until the user has answered it here. "Exit" during a transfer stops the
// worker at its next wait and closes the dialog once it has stopped.
class TransferDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Upload, Download };

    // What the dialog needs from the window.
    struct Hooks {
        // The configuration a press works on (read at each press).
        std::function<const ConfigStore &()> configuration;
        // Download: the incomplete-information mark at the time of the press.
        std::function<bool()> incompleteMark;
        // Upload: asked before a press; false leaves the press (the user cancelled the save question).
        std::function<bool()> mayReplaceDocument;
        // Upload: called with the uploaded configuration once the upload has succeeded.
        std::function<void(const ConfigStore &)> uploaded;
    };

    TransferDialog(Kind kind, Hooks hooks, QWidget *parent = nullptr);
    ~TransferDialog() override;

    // Opens the port named by `settings` in the worker thread. False when the dialog must not be
    // shown (the reason has been shown); an empty port list leaves the dialog without a port
    // (the download says so).
    bool openPort(SerialSettings &settings);

    QPushButton *startButton() const { return m_start; }
    QPushButton *exitButton() const { return m_exit; }
    QLabel *titleLine() const { return m_title; }
    QLabel *statusLine() const { return m_status; }
    QLabel *lineText(int index) const { return m_lines.at(static_cast<std::size_t>(index)).text; }
    QLabel *lineIcon(int index) const { return m_lines.at(static_cast<std::size_t>(index)).icon; }
    QProgressBar *progressBar() const { return m_progress; }
    bool busy() const { return m_busy; }

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

    friend class QueuedObserver;
    friend class BlockingPrompter;
    void showTitle(const QString &text);
    void showStatus(const QString &text);
    void showLine(int index, const QString &text, int state);
    void showProgress(int done, int total);

    Kind m_kind;
    Hooks m_hooks;
    QLabel *m_title = nullptr;
    QLabel *m_status = nullptr;
    std::array<Line, 4> m_lines{};
    QProgressBar *m_progress = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_exit = nullptr;
    bool m_busy = false;
    bool m_closing = false;

    QThread m_thread;
    QObject *m_worker = nullptr;         // lives in m_thread
    std::unique_ptr<QtSerialLink> m_link; // made, used and destroyed in m_thread only
    std::atomic<bool> m_cancel{false};
};

} // namespace tqv
