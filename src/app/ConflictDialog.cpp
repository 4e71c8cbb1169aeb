#include "ConflictDialog.h"

#include "QtText.h"
#include "controls/BitPopup.h"
#include "controls/ColourGridView.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace tqv {

namespace {

// Twips of the grid's columns and rows at 15 twips per pixel.
constexpr int kLabelWidth = 600 / 15;
constexpr int kCellWidth = 300 / 15;
constexpr int kRowHeight = 18;

QLabel *swatch(CellColour colour)
{
    auto *box = new QLabel;
    box->setFixedSize(16, 16);
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setAutoFillBackground(true);
    QPalette p = box->palette();
    p.setColor(QPalette::Window, ConflictTableModel::toColor(colour));
    box->setPalette(p);
    return box;
}

} // namespace

ConflictDialog::ConflictDialog(const ConfigStore &store, QWidget *parent)
    : QDialog(parent), m_map(std::make_unique<ConflictMap>(store))
{
    setObjectName(QStringLiteral("conflictDialog"));
    setWindowTitle(qtext(StrId::ConflictTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto *listLabel = new QLabel(qtext(StrId::ConflictCommandList));
    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("commandList"));
    m_list->setFlow(QListView::LeftToRight);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFixedHeight(5 * m_list->fontMetrics().height() + 24);
    listLabel->setBuddy(m_list);
    // Every line keeps the number of its own entry, whatever entries have no line.
    const std::vector<ConflictEntry> &entries = m_map->entries();
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const ConflictEntry &e = entries[static_cast<std::size_t>(i)];
        if (!e.listed())
            continue;
        auto *item = new QListWidgetItem(QString::fromStdString(e.label), m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        item->setData(Qt::UserRole, i);
        if (!e.hint.empty())
            item->setToolTip(QString::fromStdString(e.hint));
    }
    // Columns as wide as the longest name, so that no line is cut short.
    int widest = 0;
    for (int i = 0; i < m_list->count(); ++i)
        widest = std::max(widest, m_list->fontMetrics().horizontalAdvance(m_list->item(i)->text()));
    const int indicator = m_list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, m_list);
    m_list->setGridSize(QSize(widest + indicator + 24, m_list->fontMetrics().height() + 6));
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    connect(m_list, &QListWidget::itemChanged, this, &ConflictDialog::onItemChanged);

    m_inputModel = new ConflictTableModel(*m_map, BufferGrid::Input, this);
    m_outputModel = new ConflictTableModel(*m_map, BufferGrid::Output, this);
    auto *grids = new QHBoxLayout;
    grids->addWidget(makeGrid(StrId::ConflictInput, m_inputModel, m_inputView));
    grids->addWidget(makeGrid(StrId::ConflictOutput, m_outputModel, m_outputView));
    m_inputView->setObjectName(QStringLiteral("inputGrid"));
    m_outputView->setObjectName(QStringLiteral("outputGrid"));

    auto *buttons = new QDialogButtonBox;
    QPushButton *close = buttons->addButton(qtext(StrId::ConflictClose), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(makeLegend());
    bottom->addStretch();
    bottom->addWidget(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(listLabel);
    layout->addWidget(m_list);
    layout->addLayout(grids, 1);
    layout->addLayout(bottom);

    setTabOrder(m_list, m_inputView);
    setTabOrder(m_inputView, m_outputView);
    setTabOrder(m_outputView, close);
    m_list->setFocus();
    QSize size(sizeHint().width(), 640);
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
}

ConflictDialog::~ConflictDialog() = default;

QWidget *ConflictDialog::makeGrid(StrId heading, ConflictTableModel *model, ColourGridView *&view)
{
    auto *box = new QWidget;
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(qtext(heading));
    view = new ColourGridView;
    view->setModel(model);
    view->setCellSizes(kLabelWidth, kCellWidth, kRowHeight);
    view->setCurrentIndex(model->index(0, 1));
    label->setBuddy(view);
    column->addWidget(label);
    column->addWidget(view, 1);
    connect(view, &ColourGridView::cellChosen, this,
            [this, model](const QModelIndex &index, const QPoint &at) { showBits(model, index, at); });
    return box;
}

QWidget *ConflictDialog::makeLegend()
{
    auto *legend = new QWidget;
    legend->setObjectName(QStringLiteral("legend"));
    auto *row = new QHBoxLayout(legend);
    row->setContentsMargins(0, 0, 0, 0);
    const std::pair<CellColour, StrId> items[] = {{CellColour::Green, StrId::ConflictInput},
                                                  {CellColour::Blue, StrId::ConflictOutput},
                                                  {CellColour::Red, StrId::ConflictLegendConflict},
                                                  {CellColour::Yellow, StrId::ConflictLegendLocal}};
    for (const auto &[colour, name] : items) {
        row->addWidget(swatch(colour));
        row->addWidget(new QLabel(qtext(name)));
        row->addSpacing(12);
    }
    return legend;
}

void ConflictDialog::onItemChanged(QListWidgetItem *item)
{
    const int entry = item->data(Qt::UserRole).toInt();
    const AffectedCells cells = m_map->setIncluded(entry, item->checkState() == Qt::Checked);
    if (cells.input)
        m_inputModel->bytesChanged(*cells.input);
    if (cells.output)
        m_outputModel->bytesChanged(*cells.output);
}

void ConflictDialog::showBits(const ConflictTableModel *model, const QModelIndex &index, const QPoint &globalPos)
{
    const int offset = ConflictTableModel::offsetOf(index);
    if (offset < 0)
        return; // the address column
    if (!m_popup)
        m_popup = new BitPopup(this);
    m_popup->setBits(model->bitColours(offset));
    m_popup->popUp(globalPos);
}

} // namespace tqv
