#include "TransferDialog.h"

#include "DifferencesDialog.h"
#include "QtPrompter.h"
#include "QtText.h"
#include "io/QtSettingsStore.h"
#include "io/QtSerialLink.h"
#include "io/QtTcpLink.h"
#include "link/Clock.h"
#include "link/Prompter.h"
#include "link/TransferObserver.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tqv {

// The procedure's progress, passed on to the dialog's thread in call order.
class QueuedObserver : public TransferObserver {
public:
    explicit QueuedObserver(TransferDialog *dialog) : m_dialog(dialog) {}
    void setTitle(const std::string &text) override
    {
        post([d = m_dialog, t = QString::fromStdString(text)] { d->showTitle(t); });
    }
    void setStatus(const std::string &text) override
    {
        post([d = m_dialog, t = QString::fromStdString(text)] { d->showStatus(t); });
    }
    void setLine(int index, const std::string &text, LineState state) override
    {
        post([d = m_dialog, index, t = QString::fromStdString(text), state] {
            d->showLine(index, t, static_cast<int>(state));
        });
    }
    void setProgress(int done, int total) override
    {
        post([d = m_dialog, done, total] { d->showProgress(done, total); });
    }

private:
    template <typename F> void post(F &&f) { QMetaObject::invokeMethod(m_dialog, std::forward<F>(f), Qt::QueuedConnection); }
    TransferDialog *m_dialog;
};

// The procedure's message boxes, shown by the dialog's thread while the worker waits for the answer.
class BlockingPrompter : public Prompter {
public:
    explicit BlockingPrompter(TransferDialog *dialog) : m_dialog(dialog) {}
    void info(const std::string &text) override
    {
        ask([&](QtPrompter &p) { p.info(text); });
    }
    void error(const std::string &text) override
    {
        ask([&](QtPrompter &p) { p.error(text); });
    }
    bool askYesNo(const std::string &text) override
    {
        bool answer = false;
        ask([&](QtPrompter &p) { answer = p.askYesNo(text); });
        return answer;
    }
    bool askYesNoDefaultNo(const std::string &text) override
    {
        bool answer = false;
        ask([&](QtPrompter &p) { answer = p.askYesNoDefaultNo(text); });
        return answer;
    }
    bool askOkCancel(const std::string &text) override
    {
        bool answer = false;
        ask([&](QtPrompter &p) { answer = p.askOkCancel(text); });
        return answer;
    }
    Answer askYesNoCancel(const std::string &text) override
    {
        Answer answer = Answer::Cancel;
        ask([&](QtPrompter &p) { answer = p.askYesNoCancel(text); });
        return answer;
    }

private:
    template <typename F> void ask(F &&f)
    {
        QMetaObject::invokeMethod(
            m_dialog,
            [this, &f] {
                QtPrompter prompter(m_dialog);
                f(prompter);
            },
            Qt::BlockingQueuedConnection);
    }
    TransferDialog *m_dialog;
};

TransferDialog::TransferDialog(Kind kind, Hooks hooks, QWidget *parent)
    : QDialog(parent), m_kind(kind), m_hooks(std::move(hooks)), m_route(gatewayRouteOf(m_hooks.configuration()))
{
    const bool upload = kind == Kind::Upload;
    setObjectName(upload ? QStringLiteral("uploadDialog") : QStringLiteral("downloadDialog"));
    if (upload && ethernet())
        setWindowTitle(qtext(StrId::EthUploadDialogTitle));
    else
        setWindowTitle(qtext(upload ? StrId::UploadDialogTitle : StrId::DownloadDialogTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("titleLine"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("statusLine"));

    auto *lines = new QGridLayout;
    const int lineHeight = fontMetrics().height();
    for (int i = 0; i < static_cast<int>(m_lines.size()); ++i) {
        Line &line = m_lines[static_cast<std::size_t>(i)];
        line.icon = new QLabel;
        line.icon->setObjectName(QStringLiteral("lineIcon%1").arg(i));
        line.icon->setFixedSize(lineHeight + 4, lineHeight + 4);
        line.text = new QLabel;
        line.text->setObjectName(QStringLiteral("lineText%1").arg(i));
        line.text->setMinimumWidth(fontMetrics().averageCharWidth() * 52);
        line.icon->hide();
        line.text->hide();
        lines->addWidget(line.icon, i, 0);
        lines->addWidget(line.text, i, 1);
        // The Ethernet dialogs show no step lines: their rows take no room.
        lines->setRowMinimumHeight(i, ethernet() ? 0 : lineHeight + 6);
    }
    lines->setColumnStretch(1, 1);

    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("transferProgress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->setTextVisible(true);

    m_failureLine = new QLabel;
    m_failureLine->setObjectName(QStringLiteral("failureLine"));
    m_failureLine->setWordWrap(true);
    m_failureLine->setTextFormat(Qt::PlainText);
    m_failureLine->hide();

    m_start = new QPushButton(qtext(upload ? StrId::UploadButton : StrId::DownloadButton));
    m_start->setObjectName(QStringLiteral("startButton"));
    m_start->setDefault(true);
    m_start->setAutoDefault(true);
    m_exit = new QPushButton(qtext(StrId::TransferExit));
    m_exit->setObjectName(QStringLiteral("exitButton"));
    m_exit->setAutoDefault(false);
    connect(m_start, &QPushButton::clicked, this, &TransferDialog::start);
    connect(m_exit, &QPushButton::clicked, this, &TransferDialog::reject);
    // A transfer is offered only once the dialog has its session (see openSession).
    m_start->setEnabled(false);
    // The Ethernet dialogs have one line of text that says what to do and then how it went.
    if (ethernet()) {
        m_title->hide();
        m_progress->hide();
        m_status->setText(qtext(upload ? StrId::EthUploadPrompt : StrId::EthDownloadPrompt));
    }

    auto *buttons = new QHBoxLayout;
    if (download()) {
        m_verify = new QCheckBox(qtext(StrId::VerifyCheckBox));
        m_verify->setObjectName(QStringLiteral("verifyCheck"));
        m_verify->setChecked(QtSettingsStore().loadVerifyAfterDownload());
        connect(m_verify, &QCheckBox::toggled, this, [](bool on) { QtSettingsStore().saveVerifyAfterDownload(on); });
        m_verifyLine = new QLabel;
        m_verifyLine->setObjectName(QStringLiteral("verifyLine"));
        m_verifyLine->hide();
        m_differencesButton = new QPushButton(qtext(StrId::DifferencesButton));
        m_differencesButton->setObjectName(QStringLiteral("differencesButton"));
        m_differencesButton->setAutoDefault(false);
        m_differencesButton->hide();
        connect(m_differencesButton, &QPushButton::clicked, this, &TransferDialog::showDifferences);
        buttons->addWidget(m_verify);
    }
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_exit);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_status);
    layout->addSpacing(6);
    layout->addLayout(lines);
    layout->addWidget(m_progress);
    layout->addWidget(m_failureLine);
    if (download()) {
        auto *verification = new QHBoxLayout;
        verification->addWidget(m_verifyLine, 1);
        verification->addWidget(m_differencesButton);
        layout->addLayout(verification);
    }
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_observer = std::make_unique<QueuedObserver>(this);
    m_prompter = std::make_unique<BlockingPrompter>(this);
    m_clock = std::make_unique<SteadyClock>();
    m_worker = new QObject;
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("transfer"));
    m_thread.start();
}

TransferDialog::~TransferDialog()
{
    m_cancel = true;
    closeLinkAndStop();
}

bool TransferDialog::openSession(SerialSettings &settings)
{
    const std::optional<std::string> name = ethernet() ? std::nullopt : portForTransfer(settings);
    QMetaObject::invokeMethod(
        m_worker,
        [this, &name] {
            GatewayLinks links;
            m_link = std::make_unique<QtSerialLink>();
            links.port = m_link.get();
            links.portName = name.value_or("");
            links.closePort = [link = m_link.get()] { link->close(); };
            links.newConnection = [] { return std::make_unique<QtTcpLink>(); };
            links.target = {m_hooks.targetAddress, m_hooks.targetPort};
            m_session = makeGatewaySession(m_hooks.configuration(), std::move(links), *m_clock, *m_prompter,
                                           *m_observer);
            m_session->setCancelFlag(&m_cancel);
        },
        Qt::BlockingQueuedConnection);
    QtPrompter prompter(this);
    // The worker is idle: the checks run here, where they may ask and may update the document.
    const bool allowed = !m_hooks.remoteConfigAllowed || m_hooks.remoteConfigAllowed();
    if (download() && !m_session->downloadMayOpen(m_hooks.configuration(), allowed, prompter))
        return false;
    if (!ethernet()) {
        const PortParameters parameters = portParameters(settings);
        Status opened;
        if (name)
            QMetaObject::invokeMethod(
                m_worker, [this, &name, &parameters, &opened] { opened = m_link->open(*name, parameters); },
                Qt::BlockingQueuedConnection);
        if (!name) {
            // Without a port the dialog still opens; a press then fails at its first exchange.
            if (download())
                prompter.info(portOpenError(PortOpenFailure::NoPort, "").message);
        } else if (!opened) {
            prompter.info(opened.message());
            return false;
        }
    }
    m_start->setEnabled(true);
    return true;
}

void TransferDialog::start()
{
    if (m_busy || m_closing || !m_session)
        return;
    if (m_kind == Kind::Upload && m_hooks.mayReplaceDocument && !m_hooks.mayReplaceDocument())
        return;
    const bool mark = m_hooks.incompleteMark && m_hooks.incompleteMark();
    if (download()) {
        QtPrompter checks(this);
        if (!m_session->downloadPressChecks(m_hooks.configuration(), mark, checks))
            return;
        m_verifyWanted = m_verify->isChecked();
        m_differences.clear();
        m_verifyLine->clear();
        m_verifyLine->hide();
        m_differencesButton->hide();
    }
    auto configuration = std::make_shared<const ConfigStore>(m_hooks.configuration());
    m_busy = true;
    m_cancel = false;
    m_start->setEnabled(false);
    m_failureLine->hide();
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    runOnWorker([this, configuration, mark] {
        if (m_kind == Kind::Upload) {
            auto read = std::make_shared<GatewayRead>(m_session->read(*configuration));
            QMetaObject::invokeMethod(
                this,
                [this, read] {
                    if (read->outcome == TransferOutcome::Done && m_hooks.uploaded)
                        m_hooks.uploaded(*read);
                    showOutcome(read->outcome, read->failure);
                    ended();
                },
                Qt::QueuedConnection);
            return;
        }
        auto written = std::make_shared<const GatewayWrite>(m_session->write(*configuration, mark));
        const bool restart = m_session->restartPending();
        if (written->outcome == TransferOutcome::Done && m_verifyWanted) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_verifyLine->setText(qtext(StrId::VerifyRunning));
                    m_verifyLine->show();
                },
                Qt::QueuedConnection);
            auto verification = std::make_shared<Verification>(m_session->verify(*configuration));
            if (!m_cancel)
                QMetaObject::invokeMethod(
                    this, [this, verification] { showVerification(*verification); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this,
            [this, restart, written] {
                m_restartPending = restart;
                showOutcome(written->outcome, written->failure);
                ended();
            },
            Qt::QueuedConnection);
    });
}

void TransferDialog::showVerification(const Verification &verification)
{
    m_differences = verification.differences;
    m_verifyLine->setText(QString::fromStdString(verification.summary()));
    m_verifyLine->show();
    m_differencesButton->setVisible(!m_differences.empty());
    // The narrow Ethernet dialog grows now, not at the next layout pass, so the line is never cut.
    layout()->activate();
}

void TransferDialog::showOutcome(TransferOutcome outcome, const std::optional<TransferFailure> &failure)
{
    if (m_closing || !isVisible())
        return;
    if (failure) {
        // The step replaces "Please wait..."; where, why and what to do go below the lines.
        const std::vector<std::string> lines = failure->lines();
        QStringList details;
        for (std::size_t i = failure->step.empty() ? 0 : 1; i < lines.size(); ++i)
            details << QString::fromStdString(lines[i]);
        if (!failure->step.empty())
            showStatus(QString::fromStdString(lines.front()));
        details << QString::fromStdString(formatText(StrId::TransferTryAgain, {m_start->text().remove(QLatin1Char('&')).toStdString()}));
        m_failureLine->setText(details.join(QLatin1Char('\n')));
        m_failureLine->show();
        m_start->setDefault(true);
        m_start->setFocus();
        layout()->activate();
        return;
    }
    if (download() && outcome == TransferOutcome::Done) {
        // Written: what is left to do is to leave.
        m_start->setDefault(false);
        m_exit->setDefault(true);
        m_exit->setFocus();
    }
}

void TransferDialog::showDifferences()
{
    DifferencesDialog dialog(m_differences, this);
    dialog.exec();
}

void TransferDialog::offerRestartAndClose()
{
    m_busy = true;
    m_start->setEnabled(false);
    m_exit->setEnabled(false);
    runOnWorker([this] {
        const RestartOutcome outcome = m_session->offerRestart();
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                m_busy = false;
                m_restartPending = false;
                m_exit->setEnabled(true);
                m_start->setEnabled(true);
                if (outcome == RestartOutcome::SendFailed)
                    return; // the dialog stays open
                closeLinkAndStop();
                QDialog::reject();
            },
            Qt::QueuedConnection);
    });
}

void TransferDialog::runOnWorker(std::function<void()> job)
{
    QMetaObject::invokeMethod(m_worker, std::move(job), Qt::QueuedConnection);
}

void TransferDialog::ended()
{
    m_busy = false;
    m_start->setEnabled(true);
    emit transferEnded();
    if (m_closing) {
        closeLinkAndStop();
        QDialog::reject();
    }
}

void TransferDialog::reject()
{
    if (!m_busy && m_restartPending) {
        offerRestartAndClose();
        return;
    }
    if (m_busy) {
        // The worker notices at its next wait; the dialog closes when it has stopped.
        m_closing = true;
        m_cancel = true;
        m_exit->setEnabled(false);
        showStatus(qtext(StrId::TransferCloseWaiting));
        return;
    }
    closeLinkAndStop();
    QDialog::reject();
}

void TransferDialog::closeLinkAndStop()
{
    if (!m_thread.isRunning())
        return;
    QMetaObject::invokeMethod(
        m_worker,
        [this] {
            m_session.reset();
            m_link.reset();
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void TransferDialog::showTitle(const QString &text) { m_title->setText(text); }

void TransferDialog::showStatus(const QString &text) { m_status->setText(text); }

void TransferDialog::showLine(int index, const QString &text, int state)
{
    if (index < 0 || index >= static_cast<int>(m_lines.size()))
        return;
    Line &line = m_lines[static_cast<std::size_t>(index)];
    const auto lineState = static_cast<LineState>(state);
    line.text->setText(text);
    line.text->setVisible(lineState != LineState::Hidden);
    line.icon->setVisible(lineState != LineState::Hidden);
    QStyle::StandardPixmap pixmap = QStyle::SP_ArrowRight;
    if (lineState == LineState::Done)
        pixmap = QStyle::SP_DialogApplyButton;
    else if (lineState == LineState::Failed)
        pixmap = QStyle::SP_MessageBoxCritical;
    const int size = line.icon->height() - 4;
    line.icon->setPixmap(style()->standardIcon(pixmap).pixmap(size, size));
    line.icon->setProperty("lineState", state);
}

void TransferDialog::showProgress(int done, int total)
{
    m_progress->setRange(0, std::max(total, 1));
    m_progress->setValue(std::clamp(done, 0, std::max(total, 1)));
}

} // namespace tqv
