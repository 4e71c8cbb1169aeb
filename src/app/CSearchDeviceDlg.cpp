#include "CSearchDeviceDlg.h"

#include "QtText.h"
#include "io/QtUdpLink.h"
#include "model/SessionState.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tqv {

namespace {

// The list's columns: header and width in pixels.
constexpr struct {
    StrId header;
    int width;
} kColumns[] = {{StrId::SearchColumnSerial, 43},   {StrId::SearchColumnModel, 85},
                {StrId::SearchColumnIp, 125},      {StrId::SearchColumnMac, 155},
                {StrId::SearchColumnFirmware, 75}, {StrId::SearchColumnStatus, 105}};

} // namespace

CSearchDeviceDlg::CSearchDeviceDlg(SessionState &session, EthernetEndpoints endpoints, QWidget *parent)
    : QDialog(parent), m_link(std::make_unique<QtUdpLink>())
{
    setObjectName(QStringLiteral("searchDeviceDialog"));
    setWindowTitle(qtext(StrId::SearchDialogTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_list = new QTableWidget(0, static_cast<int>(std::size(kColumns)));
    m_list->setObjectName(QStringLiteral("deviceList"));
    QStringList headers;
    for (const auto &column : kColumns)
        headers << qtext(column.header);
    m_list->setHorizontalHeaderLabels(headers);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // The given widths, widened where this font needs more room for a header.
    const QFontMetrics metrics(m_list->horizontalHeader()->font());
    for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c)
        m_list->setColumnWidth(c, std::max(kColumns[c].width, metrics.horizontalAdvance(headers.at(c)) + 16));
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->setMinimumWidth(m_list->horizontalHeader()->length() + 2 * m_list->frameWidth() + 4);

    m_status = new QLabel(qtext(StrId::SearchSeaching));
    m_status->setObjectName(QStringLiteral("searchStatus"));
    m_progress = new QProgressBar;
    m_progress->setRange(0, DeviceSearch::progressMaximum);
    m_progress->setValue(0);
    m_refurbish = new QPushButton(qtext(StrId::SearchRefurbish));
    m_refurbish->setObjectName(QStringLiteral("refurbishButton"));
    m_refurbish->setAutoDefault(false);
    m_logIn = new QPushButton(qtext(StrId::SearchLogIn));
    m_logIn->setObjectName(QStringLiteral("logInButton"));
    m_logIn->setDefault(true);
    m_cancel = new QPushButton(qtext(StrId::SearchCancel));
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setAutoDefault(false);
    connect(m_refurbish, &QPushButton::clicked, this, &CSearchDeviceDlg::refurbish);
    connect(m_logIn, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    // A click on a row, or the keyboard moving onto one, picks that gateway.
    connect(m_list, &QTableWidget::currentCellChanged, this, [this](int row) { rowChosen(row); });
    connect(m_list, &QTableWidget::cellClicked, this, [this](int row) { rowChosen(row); });

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status);
    bottom->addWidget(m_progress, 1);
    bottom->addWidget(m_refurbish);
    bottom->addWidget(m_logIn);
    bottom->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(bottom);

    m_search = std::make_unique<DeviceSearch>(*m_link, session, endpoints);
    m_search->setChangedCallback([this] { showState(); });
    m_timer = new QTimer(this);
    m_timer->setInterval(static_cast<int>(DeviceSearch::tickInterval.count()));
    connect(m_timer, &QTimer::timeout, this, &CSearchDeviceDlg::tick);
    m_search->start();
    if (m_search->mode() == SearchMode::FixedAddress)
        QTimer::singleShot(static_cast<int>(DeviceSearch::fixedReplyLimit.count()), this, [this] {
            m_search->fixedQueryExpired();
            showState();
        });
    else
        m_timer->start();
    showState();
}

CSearchDeviceDlg::~CSearchDeviceDlg()
{
    // The search closes the link it listens on: it goes first.
    m_search.reset();
}

void CSearchDeviceDlg::tick()
{
    m_search->tick();
    if (!m_search->ticking())
        m_timer->stop();
    showState();
}

void CSearchDeviceDlg::refurbish()
{
    m_search->refresh();
    if (m_search->ticking())
        m_timer->start();
    showState();
}

void CSearchDeviceDlg::rowChosen(int row)
{
    if (row >= 0 && m_search->select(row))
        showState();
}

void CSearchDeviceDlg::showState()
{
    m_status->setText(QString::fromStdString(m_search->statusText()));
    m_progress->setValue(m_search->progress());
    m_refurbish->setEnabled(m_search->refreshEnabled());
    m_logIn->setEnabled(m_search->logInEnabled());
    const auto &rows = m_search->rows();
    if (m_list->rowCount() != static_cast<int>(rows.size()) || m_list->rowCount() == 0) {
        const QSignalBlocker quiet(m_list);
        m_list->setRowCount(static_cast<int>(rows.size()));
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            const auto columns = rows[static_cast<std::size_t>(r)].columns();
            for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
                auto *item = new QTableWidgetItem(QString::fromStdString(columns[static_cast<std::size_t>(c)]));
                item->setTextAlignment(Qt::AlignCenter);
                m_list->setItem(r, c, item);
            }
        }
        // A found gateway's texts are shown whole: a column grows to them, never shrinks below its width.
        for (int c = 0; c < m_list->columnCount(); ++c) {
            const int before = m_list->columnWidth(c);
            m_list->resizeColumnToContents(c);
            m_list->setColumnWidth(c, std::max(before, m_list->columnWidth(c)));
        }
        m_list->setMinimumWidth(m_list->horizontalHeader()->length() + 2 * m_list->frameWidth() + 4);
        adjustSize();
    }
    if (m_search->selectedRow() < 0)
        m_list->clearSelection();
}

CEthernetConfigDlg::CEthernetConfigDlg(SessionState &session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("ethernetConfigDialog"));
    setWindowTitle(qtext(StrId::EthernetConfigTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_useSearch = new QCheckBox(qtext(StrId::EthernetUseSearch));
    m_useSearch->setObjectName(QStringLiteral("useSearch"));
    auto *label = new QLabel(qtext(StrId::EthernetFixedAddressLabel));
    m_address = new QLineEdit;
    m_address->setObjectName(QStringLiteral("fixedAddress"));
    label->setBuddy(m_address);
    // Four numbers of 0 to 255 with dots between them; the address as typed so far is allowed.
    const QString octet = QStringLiteral("(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])");
    m_address->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^%1(\\.%1){0,3}\\.?$").arg(octet)), m_address));
    m_address->setPlaceholderText(QStringLiteral("192.168.0.10"));
    if (!session.targetAddress.empty())
        m_address->setText(QString::fromStdString(session.targetAddress));
    // Opening always shows the search chosen, whatever was chosen before.
    m_useSearch->setChecked(true);
    m_address->setEnabled(false);
    connect(m_useSearch, &QCheckBox::toggled, this, [this](bool checked) {
        m_address->setEnabled(!checked);
        setSearchFunctionChecked(m_session, checked);
        if (!checked)
            m_address->setFocus();
    });
    auto *buttons = new QDialogButtonBox;
    buttons->addButton(qtext(StrId::EthernetConfigOk), QDialogButtonBox::AcceptRole);
    buttons->addButton(qtext(StrId::EthernetConfigCancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_useSearch);
    layout->addWidget(label);
    layout->addWidget(m_address);
    layout->addWidget(buttons);
}

void CEthernetConfigDlg::accept()
{
    confirmEthernetConfig(m_session, m_useSearch->isChecked(), m_address->text().trimmed().toStdString());
    QDialog::accept();
}

void CEthernetConfigDlg::reject()
{
    cancelEthernetConfig(m_session);
    QDialog::reject();
}

} // namespace tqv
