#include "MonitorDialogs.h"

#include "QtPrompter.h"
#include "QtText.h"
#include "io/QtMonitorRun.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace tqv {

namespace {

// Both lists' columns, from the one definition in the core: each as wide as its header and the
// widest text it can show in the active language; the list at least as wide as all of them.
void fitColumns(QTableView *list, MonitorLinkKind link, FramedMode mode)
{
    const QFontMetrics metrics = list->fontMetrics();
    const QFontMetrics headerMetrics = list->horizontalHeader()->fontMetrics();
    const std::vector<MonitorColumn> columns = monitorColumns(link, mode);
    const std::vector<std::string> headers = columnHeaders(link, mode);
    int total = 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        int width = headerMetrics.horizontalAdvance(QString::fromStdString(headers[c])) + 24;
        for (const std::string &sample : columnSamples(columns[c], link, mode))
            width = std::max(width, metrics.horizontalAdvance(QString::fromStdString(sample)) + 16);
        list->setColumnWidth(static_cast<int>(c), width);
        total += width;
    }
    list->horizontalHeader()->setStretchLastSection(true);
    list->setMinimumSize(total + 2 * list->frameWidth() + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4,
                         300);
}

// The line under the write's boxes that says what "Send" did.
QLabel *sendResultLabel()
{
    auto *label = new QLabel;
    label->setObjectName(QStringLiteral("sendResult"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
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

CFramedMonitorDlg::CFramedMonitorDlg(MonitorLine line, FramedMode mode, QWidget *parent)
    : QDialog(parent), m_rows(mode),
      m_run(std::make_unique<QtMonitorRun>(line, mode, [this](const MonitorEvent &e) { onLinkEvent(e); }))
{
    setObjectName(QStringLiteral("framedMonitorDialog"));
    setWindowTitle(qtext(StrId::MonitorFramedTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_model = new MonitorTableModel(
        columnHeaders(MonitorLinkKind::Framed, mode), [this] { return m_rows.size(); },
        [this](std::size_t i) -> const MonitorRow & { return m_rows.row(i); }, this);
    m_list = makeList(m_model);
    fitColumns(m_list, MonitorLinkKind::Framed, mode);
    // "Read date" follows the highlighted row, whether a click or a key moved it there.
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        m_rows.setHighlighted(current.isValid() ? std::optional<std::size_t>(static_cast<std::size_t>(current.row()))
                                                : std::nullopt);
        m_readDate->setPlainText(QString::fromStdString(m_rows.readDate()));
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
        const bool showing = !m_run->session().showing();
        m_run->setShowing(showing);
        m_suspend->setText(qtext(showing ? StrId::MonitorSuspendShow : StrId::MonitorContinueShow));
    });
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_rows.clear();
        m_model->reset();
        m_readDate->clear();
    });
    connect(m_send, &QPushButton::clicked, this, [this] {
        m_run->write(m_address->text().toStdString(), m_data->text().toStdString());
    });
    connect(m_stop, &QPushButton::clicked, this, &CFramedMonitorDlg::reject);
    connect(m_exit, &QPushButton::clicked, this, [this] {
        m_run->exit();
        finish();
    });

    m_sendResult = sendResultLabel();
    auto *inputs = new QGridLayout;
    inputs->addWidget(readLabel, 0, 0);
    inputs->addWidget(m_readDate, 0, 1, 1, 3);
    inputs->addWidget(addressLabel, 1, 0);
    inputs->addWidget(m_address, 1, 1);
    inputs->addWidget(dataLabel, 1, 2);
    inputs->addWidget(m_data, 1, 3);
    inputs->addWidget(m_sendResult, 2, 1, 1, 3);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_save, m_suspend, m_clear, m_send, m_stop, m_exit})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(inputs);
    layout->addLayout(buttons);
}

CFramedMonitorDlg::~CFramedMonitorDlg() = default;

bool CFramedMonitorDlg::start(const std::string &portName)
{
    return m_run->startSerial(portName) && !m_finished;
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
        break;
    case MonitorEventKind::Closed:
        finish();
        break;
    case MonitorEventKind::WriteDone:
        m_sendResult->setText(QString::fromStdString(e.text));
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
    m_run->exit();
    // A save the user started and never stopped is written, not dropped.
    writeSaveFile();
    if (isVisible())
        QDialog::reject();
}

void CFramedMonitorDlg::reject()
{
    if (!m_run->session().started() || m_run->session().ended()) {
        finish();
        return;
    }
    // The stop frame goes out with the next record; the run then reports that it has ended.
    setWindowTitle(qtext(StrId::MonitorSendingExit));
    m_run->stop();
}

// ---- the record links ------------------------------------------------------------------------------

CRecordMonitorDlg::CRecordMonitorDlg(MonitorLine line, QWidget *parent)
    : QDialog(parent), m_kind(line.kind), m_rows(line.kind),
      m_run(std::make_unique<QtMonitorRun>(line, FramedMode::Master, [this](const MonitorEvent &e) { onLinkEvent(e); }))
{
    const MonitorLinkKind link = line.kind;
    setObjectName(QStringLiteral("recordMonitorDialog"));
    setWindowTitle(qtext(StrId::MonitorRecordTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_model = new MonitorTableModel(
        columnHeaders(link), [this] { return m_rows.size(); },
        [this](std::size_t i) -> const MonitorRow & { return m_rows.row(i); }, this);
    m_list = makeList(m_model);
    fitColumns(m_list, link, FramedMode::Master);

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

    m_sendResult = sendResultLabel();
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
    layout->addWidget(m_sendResult);
    layout->addLayout(buttons);
}

CRecordMonitorDlg::~CRecordMonitorDlg() = default;

bool CRecordMonitorDlg::startSerial(const std::string &portName)
{
    return m_run->startSerial(portName);
}

void CRecordMonitorDlg::startUdp(const std::string &address, std::uint16_t monitorPort, std::uint16_t localPort)
{
    m_run->startUdp(address, monitorPort, localPort);
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
        break;
    case MonitorEventKind::WriteDone:
        m_sendResult->setText(QString::fromStdString(e.text));
        break;
    case MonitorEventKind::Closed:
        if (m_closing) {
            m_file.close();
            QDialog::reject();
        }
        break;
    case MonitorEventKind::SendEnabled:
        m_send->setEnabled(true);
        break;
    }
}

void CRecordMonitorDlg::send()
{
    const std::string address = m_address->text().toStdString();
    const std::string data = m_data->text().toStdString();
    if (const auto refused = m_run->session().refusal(address, data)) {
        m_sendResult->setText(QString::fromStdString(notSentText(text(*refused))));
        QtPrompter(this).info(text(*refused));
        return;
    }
    m_send->setEnabled(false);
    m_run->write(address, data);
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
    if (m_run->session().ended()) {
        m_file.close();
        QDialog::reject();
        return;
    }
    // UDP's stop message goes out after its pause; the end of the run then closes the dialog.
    m_run->stop();
}

} // namespace tqv
