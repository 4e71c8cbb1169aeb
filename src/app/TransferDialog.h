#pragma once

#include "compare/ConfigDiff.h"
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
class QtTcpLink;
class EthernetTransfer;
struct EthernetTarget;

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
    // The serial transfers, and the Ethernet gateway's (one TCP connection per press; the
    // download's stays open after an acknowledged write for the restart offered at "Exit").
    enum class Kind { Upload, Download, EthernetUpload, EthernetDownload };

    // What the dialog needs from the window.
    struct Hooks {
        // The configuration a press works on (read at each press).
        std::function<const ConfigStore &()> configuration;
        // Download: the incomplete-information mark at the time of the press.
        std::function<bool()> incompleteMark;
        // Upload: asked before a press; false leaves the press (the user cancelled the save question).
        std::function<bool()> mayReplaceDocument;
        // Upload: called with the uploaded configuration once the upload has succeeded, and the
        // firmware version (major × 10 + minor) the serial gateway reported.
        std::function<void(const ConfigStore &)> uploaded;
        std::function<void(const ConfigStore &, int firmware)> uploadedFrom;
        // Ethernet download: the checks of a press, on the window's thread (they may ask and may
        // update the document's byte counts); false leaves the press.
        std::function<bool()> ethernetChecks;
        // Ethernet: the gateway's address and port.
        std::string targetAddress;
        std::uint16_t targetPort = 18801;
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
    bool ethernet() const { return m_kind == Kind::EthernetUpload || m_kind == Kind::EthernetDownload; }
    void runSerial(std::shared_ptr<const ConfigStore> configuration, bool mark);
    void runEthernet(std::shared_ptr<const ConfigStore> configuration);
    // Ethernet download: "Exit" after an acknowledged write offers the restart on the worker.
    void offerRestartAndClose();

    friend class QueuedObserver;
    friend class BlockingPrompter;
    void showTitle(const QString &text);
    void showStatus(const QString &text);
    void showLine(int index, const QString &text, int state);
    void showProgress(int done, int total);
    bool download() const { return m_kind == Kind::Download || m_kind == Kind::EthernetDownload; }
    // On the worker after a successful download: reads the gateway into a configuration of its
    // own (silently: its messages are not the download's) and compares what the transfer carries.
    void verifyOnWorker(const ConfigStore &configuration, const EthernetTarget *target);
    void showVerification(bool read, std::vector<Difference> differences);
    void showDifferences();

    Kind m_kind;
    Hooks m_hooks;
    QLabel *m_title = nullptr;
    QLabel *m_status = nullptr;
    std::array<Line, 4> m_lines{};
    QProgressBar *m_progress = nullptr;
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
    QObject *m_worker = nullptr;         // lives in m_thread
    std::unique_ptr<QtSerialLink> m_link; // made, used and destroyed in m_thread only
    // Ethernet: the connection and the transfer that remembers an acknowledged write (m_thread only).
    std::unique_ptr<QtTcpLink> m_tcp;
    std::unique_ptr<EthernetTransfer> m_ethernet;
    bool m_downloaded = false; // a copy of m_ethernet->downloaded() for the window's thread
    // What the procedures report through and ask through; they outlive every press, since the
    // Ethernet transfer keeps them for the restart question.
    std::unique_ptr<QueuedObserver> m_observer;
    std::unique_ptr<BlockingPrompter> m_prompter;
    std::unique_ptr<Clock> m_clock;
    std::atomic<bool> m_cancel{false};
};

// The Ethernet gateway's download ("Download configuration") and upload ("Upload configuration").
class CEthernetDownloadDlg : public TransferDialog {
    Q_OBJECT
public:
    explicit CEthernetDownloadDlg(Hooks hooks, QWidget *parent = nullptr)
        : TransferDialog(Kind::EthernetDownload, std::move(hooks), parent)
    {
    }
};

class CEthernetUploadDlg : public TransferDialog {
    Q_OBJECT
public:
    explicit CEthernetUploadDlg(Hooks hooks, QWidget *parent = nullptr)
        : TransferDialog(Kind::EthernetUpload, std::move(hooks), parent)
    {
    }
};

} // namespace tqv
