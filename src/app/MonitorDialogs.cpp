#include "MonitorDialogs.h"

#include "QtPrompter.h"
#include "QtText.h"
#include "io/QtSerialLink.h"
#include "io/QtUdpLink.h"
#include "link/Clock.h"
#include "model/ModelProfile.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace tqv {

namespace {

SteadyClock &monitorClock()
{
    static SteadyClock clock;
    return clock;
}

// The widest status text, so that the status column shows every status whole.
int statusTextWidth(const QFontMetrics &metrics)
{
    int widest = 0;
    for (StrId id : {StrId::MonitorStatusCorrect, StrId::MonitorStatusAbnormal, StrId::MonitorStatusIncorrect,
                     StrId::MonitorStatusTimeout})
        widest = std::max(widest, metrics.horizontalAdvance(qtext(id)));
    return widest + 16;
}

QLineEdit *lineEdit(std::string_view initial, const char *name)
{
    auto *edit = new QLineEdit(QString::fromLatin1(initial.data(), static_cast<qsizetype>(initial.size())));
    edit->setObjectName(QLatin1String(name));
    return edit;
}

// The write's two boxes of both monitors, "Memory mapping address:" and "Date:", with their labels.
struct WriteInputs {
    QLineEdit *address;
    QLineEdit *data;
    QLabel *addressLabel;
    QLabel *dataLabel;
};

WriteInputs writeInputs()
{
    WriteInputs w{lineEdit(kInitialWriteAddress, "address"), lineEdit(kInitialWriteData, "data"),
                  new QLabel(qtext(StrId::MonitorAddressLabel)), new QLabel(qtext(StrId::MonitorDataLabel))};
    w.addressLabel->setBuddy(w.address);
    w.dataLabel->setBuddy(w.data);
    return w;
}

QPushButton *button(StrId label, const char *name)
{
    auto *b = new QPushButton(qtext(label));
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QTableView *makeList(MonitorTableModel *model)
{
    auto *list = new QTableView;
    list->setObjectName(QStringLiteral("monitorList"));
    list->setModel(model);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setShowGrid(true);
    list->verticalHeader()->hide();
    // Every row has the same height: the view need not measure a hundred thousand of them.
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    return list;
}

// The save dialog of both monitors: ".txt" files, overwrite asked.
QString askSavePath(QWidget *parent)
{
    QFileDialog dialog(parent, qtext(StrId::MonitorSaveContent));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("%1 (*.txt)").arg(qtext(StrId::MonitorSaveFilter)));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

MonitorTableModel::MonitorTableModel(std::vector<std::string> headers, std::function<std::size_t()> rows,
                                     std::function<const MonitorRow &(std::size_t)> row, QObject *parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)), m_rows(std::move(rows)), m_row(std::move(row))
{
}

int MonitorTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows());
}

int MonitorTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant MonitorTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole) {
        const MonitorRow &row = m_row(static_cast<std::size_t>(index.row()));
        const auto column = static_cast<std::size_t>(index.column());
        return column < row.cells.size() ? QString::fromStdString(row.cells[column]) : QString();
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignVCenter | Qt::AlignLeft));
    return {};
}

QVariant MonitorTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < static_cast<int>(m_headers.size()))
        return QString::fromStdString(m_headers[static_cast<std::size_t>(section)]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void MonitorTableModel::inserted(int at)
{
    beginInsertRows({}, at, at);
    endInsertRows();
}

void MonitorTableModel::reset()
{
    beginResetModel();
    endResetModel();
}

// ---- the framed link ------------------------------------------------------------------------------

CFramedMonitorDlg::CFramedMonitorDlg(FramedMode mode, QWidget *parent) : QDialog(parent), m_rows(mode)
{
    setObjectName(QStringLiteral("framedMonitorDialog"));
    setWindowTitle(qtext(StrId::MonitorFramedTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_model = new MonitorTableModel(
        columnHeaders(MonitorLinkKind::Framed, mode), [this] { return m_rows.size(); },
        [this](std::size_t i) -> const MonitorRow & { return m_rows.row(i); }, this);
    m_list = makeList(m_model);
    // Equal columns, each wide enough for a status text and its header.
    int column = statusTextWidth(m_list->fontMetrics());
    for (int c = 0; c < m_model->columnCount(); ++c)
        column = std::max(column, m_list->fontMetrics().horizontalAdvance(
                                      m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) + 16);
    m_list->setMinimumSize(column * m_model->columnCount() + 2 * m_list->frameWidth() + 24, 300);
    m_list->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    connect(m_list, &QTableView::clicked, this, [this](const QModelIndex &index) {
        m_readDate->setPlainText(QString::fromStdString(m_rows.dataText(static_cast<std::size_t>(index.row()))));
    });

    m_readDate = new QPlainTextEdit;
    m_readDate->setObjectName(QStringLiteral("readDate"));
    m_readDate->setReadOnly(true);
    m_readDate->setMaximumHeight(4 * fontMetrics().height());
    auto *readLabel = new QLabel(qtext(StrId::MonitorReadDate));
    readLabel->setBuddy(m_readDate);
    const WriteInputs write = writeInputs();
    m_address = write.address;
    m_data = write.data;
    QLabel *addressLabel = write.addressLabel;
    QLabel *dataLabel = write.dataLabel;

    m_save = button(StrId::MonitorSaveContent, "saveButton");
    m_suspend = button(StrId::MonitorSuspendShow, "suspendButton");
    m_clear = button(StrId::MonitorClearDate, "clearButton");
    m_send = button(StrId::MonitorSend, "sendButton");
    m_stop = button(StrId::MonitorStopDebugExit, "stopButton");
    m_exit = button(StrId::MonitorExit, "exitButton");
    connect(m_save, &QPushButton::clicked, this, &CFramedMonitorDlg::toggleSave);
    connect(m_suspend, &QPushButton::clicked, this, [this] {
        const bool showing = !m_link || !m_link->showing();
        if (m_link)
            m_link->setShowing(showing);
        m_suspend->setText(qtext(showing ? StrId::MonitorSuspendShow : StrId::MonitorContinueShow));
    });
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_rows.clear();
        m_model->reset();
        m_readDate->clear();
    });
    connect(m_send, &QPushButton::clicked, this, [this] {
        if (m_link)
            m_link->requestWrite(m_address->text().toStdString(), m_data->text().toStdString());
    });
    connect(m_stop, &QPushButton::clicked, this, &CFramedMonitorDlg::reject);
    connect(m_exit, &QPushButton::clicked, this, [this] {
        if (m_link)
            m_link->exit();
        finish();
    });

    auto *inputs = new QGridLayout;
    inputs->addWidget(readLabel, 0, 0);
    inputs->addWidget(m_readDate, 0, 1, 1, 3);
    inputs->addWidget(addressLabel, 1, 0);
    inputs->addWidget(m_address, 1, 1);
    inputs->addWidget(dataLabel, 1, 2);
    inputs->addWidget(m_data, 1, 3);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_save, m_suspend, m_clear, m_send, m_stop, m_exit})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(inputs);
    layout->addLayout(buttons);

    m_timer = new QTimer(this);
    m_timer->setInterval(static_cast<int>(FramedMonitorLink::tickInterval.count()));
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_link)
            m_link->onTick();
    });
}

CFramedMonitorDlg::~CFramedMonitorDlg()
{
    m_timer->stop();
    m_link.reset();
    m_port.reset();
}

bool CFramedMonitorDlg::start(SerialSettings &settings)
{
    const std::string name = portForTransfer(settings).value_or("");
    PortParameters parameters = portParameters(settings);
    parameters.baudRate = monitorLineSettings(MonitorLinkKind::Framed).baudRate;
    parameters.dataBits = 8;
    parameters.parity = Parity::None;
    parameters.stopBits = 1;
    m_port = std::make_unique<QtSerialLink>();
    if (!m_port->open(name, parameters)) {
        QtPrompter(this).info(formatText(StrId::MsgMonitorOpenPortFailed, {name}));
        return false;
    }
    m_link = std::make_unique<FramedMonitorLink>(*m_port, monitorClock(), m_rows.mode(),
                                                 [this](const MonitorEvent &e) { onLinkEvent(e); });
    m_timer->start();
    m_link->start();
    return !m_finished;
}

void CFramedMonitorDlg::onLinkEvent(const MonitorEvent &e)
{
    switch (e.kind) {
    case MonitorEventKind::Row:
        m_rows.add(e.row);
        m_model->inserted(0);
        m_readDate->setPlainText(QString::fromStdString(m_rows.readDate()));
        break;
    case MonitorEventKind::Message:
        QtPrompter(this).info(e.text);
        break;
    case MonitorEventKind::TimerStopped:
        m_timer->stop();
        break;
    case MonitorEventKind::Closed:
        finish();
        break;
    case MonitorEventKind::SendEnabled:
        break;
    }
}

void CFramedMonitorDlg::toggleSave()
{
    if (m_saveFile.isEmpty()) {
        const QString path = m_savePath ? m_savePath() : askSavePath(this);
        if (path.isEmpty())
            return;
        m_saveFile = path;
        m_save->setText(qtext(StrId::MonitorStopSaving));
        return;
    }
    writeSaveFile();
    m_save->setText(qtext(StrId::MonitorSaveContent));
}

void CFramedMonitorDlg::writeSaveFile()
{
    const QString path = std::exchange(m_saveFile, QString());
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    const QByteArray bytes = QByteArray::fromStdString(m_rows.saveText());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        QtPrompter(this).info(formatText(StrId::MsgMonitorSaveFailed, {path.toStdString()}));
}

void CFramedMonitorDlg::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_timer->stop();
    // A save the user started and never stopped is written, not dropped.
    writeSaveFile();
    m_port.reset();
    if (isVisible())
        QDialog::reject();
}

void CFramedMonitorDlg::reject()
{
    if (!m_link || m_link->closed()) {
        finish();
        return;
    }
    // The stop frame goes out with the next record; the link then reports that it has closed.
    setWindowTitle(qtext(StrId::MonitorSendingExit));
    m_link->requestStop();
}

// ---- the record links ------------------------------------------------------------------------------

CRecordMonitorDlg::CRecordMonitorDlg(MonitorLinkKind link, QWidget *parent)
    : QDialog(parent), m_kind(link), m_rows(link)
{
    setObjectName(QStringLiteral("recordMonitorDialog"));
    setWindowTitle(qtext(StrId::MonitorRecordTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_model = new MonitorTableModel(
        columnHeaders(link), [this] { return m_rows.size(); },
        [this](std::size_t i) -> const MonitorRow & { return m_rows.row(i); }, this);
    m_list = makeList(m_model);
    const std::vector<int> widths = link == MonitorLinkKind::Udp ? std::vector<int>{80, 80, 80, 80, 300}
                                                                 : std::vector<int>{80, 80, 80, 300};
    int total = 0;
    for (int c = 0; c < static_cast<int>(widths.size()); ++c) {
        const int header = m_list->fontMetrics().horizontalAdvance(m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) + 16;
        const bool status = c == (link == MonitorLinkKind::Udp ? 1 : 0);
        const int needed = std::max(header, status ? statusTextWidth(m_list->fontMetrics()) : 0);
        m_list->setColumnWidth(c, std::max(widths[static_cast<std::size_t>(c)], needed));
        total += m_list->columnWidth(c);
    }
    m_list->setMinimumSize(total + 2 * m_list->frameWidth() + 24, 300);

    const WriteInputs write = writeInputs();
    m_address = write.address;
    m_data = write.data;
    QLabel *addressLabel = write.addressLabel;
    QLabel *dataLabel = write.dataLabel;
    m_send = button(StrId::MonitorSend, "sendButton");
    m_save = button(StrId::MonitorSaveContent, "saveButton");
    m_suspend = button(StrId::MonitorSuspendShow, "suspendButton");
    m_exit = button(StrId::MonitorExit, "exitButton");
    connect(m_send, &QPushButton::clicked, this, &CRecordMonitorDlg::send);
    connect(m_save, &QPushButton::clicked, this, &CRecordMonitorDlg::toggleSave);
    connect(m_suspend, &QPushButton::clicked, this, [this] {
        const bool suspended = m_rows.toggleSuspended();
        if (!suspended)
            m_model->reset();
        m_suspend->setText(qtext(suspended ? StrId::MonitorContinueShow : StrId::MonitorSuspendShow));
    });
    connect(m_exit, &QPushButton::clicked, this, &CRecordMonitorDlg::reject);

    auto *inputs = new QHBoxLayout;
    inputs->addWidget(addressLabel);
    inputs->addWidget(m_address);
    inputs->addWidget(dataLabel);
    inputs->addWidget(m_data, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {m_send, m_save, m_suspend, m_exit})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(inputs);
    layout->addLayout(buttons);

    m_timer = new QTimer(this);
    m_timer->setInterval(static_cast<int>(
        (link == MonitorLinkKind::Udp ? UdpMonitorLink::tickInterval : RecordMonitorLink::tickInterval).count()));
    connect(m_timer, &QTimer::timeout, this, &CRecordMonitorDlg::tick);
}

CRecordMonitorDlg::~CRecordMonitorDlg()
{
    m_timer->stop();
    m_record.reset();
    m_network.reset();
    m_port.reset();
    m_udp.reset();
}

bool CRecordMonitorDlg::startSerial(SerialSettings &settings)
{
    const std::string name = portForTransfer(settings).value_or("");
    PortParameters parameters = portParameters(settings);
    parameters.baudRate = monitorLineSettings(MonitorLinkKind::RecordSerial).baudRate;
    m_port = std::make_unique<QtSerialLink>();
    if (!m_port->open(name, parameters)) {
        QtPrompter(this).info(text(StrId::MsgMonitorPortNotOpen));
        return false;
    }
    m_record = std::make_unique<RecordMonitorLink>(*m_port, monitorClock(),
                                                   [this](const MonitorEvent &e) { onLinkEvent(e); });
    m_timer->start();
    return true;
}

void CRecordMonitorDlg::startUdp(const std::string &address, std::uint16_t monitorPort, std::uint16_t localPort)
{
    m_udp = std::make_unique<QtUdpLink>();
    m_network = std::make_unique<UdpMonitorLink>(*m_udp, monitorClock(), address, monitorPort,
                                                 [this](const MonitorEvent &e) { onLinkEvent(e); });
    if (!m_network->start(localPort))
        return;
    m_udp->setReadyCallback([this] {
        if (m_network)
            m_network->onDatagram();
    });
    m_timer->start();
}

void CRecordMonitorDlg::tick()
{
    if (m_record)
        m_record->onTick();
    else if (m_network)
        m_network->onTick();
}

void CRecordMonitorDlg::onLinkEvent(const MonitorEvent &e)
{
    switch (e.kind) {
    case MonitorEventKind::Row: {
        const RecordMonitorRows::Added added = m_rows.add(e.row);
        if (!added.added)
            break; // suspended: neither shown nor saved
        if (added.cleared)
            m_model->reset();
        else
            m_model->inserted(static_cast<int>(added.index));
        m_list->scrollTo(m_model->index(static_cast<int>(added.index), 0));
        if (m_saving && m_file.isOpen() && e.row.status <= 3) {
            const QByteArray block = QByteArray::fromStdString(recordSaveBlock(m_kind, e.row));
            if (m_file.write(block) != block.size() && !m_saveFailed) {
                m_saveFailed = true;
                QtPrompter(this).info(formatText(StrId::MsgMonitorSaveFailed, {m_file.fileName().toStdString()}));
            }
            m_file.flush();
        }
        break;
    }
    case MonitorEventKind::Message:
        QtPrompter(this).info(e.text);
        break;
    case MonitorEventKind::TimerStopped:
        m_timer->stop();
        break;
    case MonitorEventKind::Closed:
        m_timer->stop();
        if (m_closing)
            QDialog::reject();
        break;
    case MonitorEventKind::SendEnabled:
        m_send->setEnabled(true);
        break;
    }
}

void CRecordMonitorDlg::send()
{
    const WriteCheck check = checkRecordWrite(m_address->text().toStdString(), m_data->text().toStdString());
    if (check.error) {
        QtPrompter(this).info(text(*check.error));
        return;
    }
    m_send->setEnabled(false);
    if (m_record)
        m_record->beginWrite(check.write);
    else if (m_network)
        m_network->beginWrite(check.write);
}

void CRecordMonitorDlg::toggleSave()
{
    if (m_saving) {
        m_file.close();
        m_saving = false;
        m_save->setText(qtext(StrId::MonitorSaveContent));
        return;
    }
    if (!QtPrompter(this).askOkCancel(text(StrId::MsgMonitorSaveQuestion))) {
        m_file.close();
        m_save->setText(qtext(StrId::MonitorSaveContent));
        return;
    }
    const QString path = m_savePath ? m_savePath() : askSavePath(this);
    if (path.isEmpty())
        return;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        QtPrompter(this).info(formatText(StrId::MsgMonitorSaveFailed, {path.toStdString()}));
        return;
    }
    m_saving = true;
    m_saveFailed = false;
    m_save->setText(qtext(StrId::MonitorStopSaving));
}

void CRecordMonitorDlg::reject()
{
    m_closing = true;
    if (m_network && !m_network->closed()) {
        // The stop message goes out after its pause; the link then reports that it has closed.
        m_network->requestStop();
        if (!m_timer->isActive())
            m_timer->start();
        return;
    }
    if (m_record)
        m_record->exit();
    m_timer->stop();
    m_file.close();
    QDialog::reject();
}

} // namespace tqv
