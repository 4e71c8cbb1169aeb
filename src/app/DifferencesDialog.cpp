#include "DifferencesDialog.h"

#include "QtText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace tqv {

void DifferenceTableModel::setDifferences(std::vector<Difference> differences)
{
    beginResetModel();
    m_differences = std::move(differences);
    endResetModel();
}

int DifferenceTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_differences.size());
}

int DifferenceTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 3; }

QVariant DifferenceTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Difference &d = m_differences[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return QString::fromStdString(d.label);
    case 1:
        return QString::fromStdString(d.projectText);
    default:
        return QString::fromStdString(d.otherText);
    }
}

QVariant DifferenceTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const StrId columns[] = {StrId::CompareColumnPath, StrId::CompareColumnProject, m_otherHeading};
    return section >= 0 && section < 3 ? qtext(columns[section]) : QVariant{};
}

DifferencesDialog::DifferencesDialog(std::vector<Difference> differences, QWidget *parent) : QDialog(parent)
{
    build(false);
    m_model->setDifferences(std::move(differences));
    updateButtons();
}

DifferencesDialog::DifferencesDialog(Resolver resolver, QWidget *parent) : QDialog(parent), m_resolver(std::move(resolver))
{
    build(true);
    refresh();
}

void DifferencesDialog::build(bool resolving)
{
    setObjectName(resolving ? QStringLiteral("compareDialog") : QStringLiteral("differencesDialog"));
    setWindowTitle(qtext(resolving ? StrId::CompareTitle : StrId::DifferencesTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_model = new DifferenceTableModel(this);
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("differencesTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(resolving ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false); // Tab goes on to the buttons
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_table->setMinimumSize(fontMetrics().averageCharWidth() * 90, fontMetrics().height() * 16);

    auto *buttons = new QHBoxLayout;
    auto button = [&](StrId label, const char *name) {
        auto *b = new QPushButton(qtext(label));
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    if (resolving) {
        m_take = button(StrId::CompareTakeGateway, "takeButton");
        m_keep = button(StrId::CompareKeepProject, "keepButton");
        m_takeAll = button(StrId::CompareTakeAll, "takeAllButton");
        m_keepAll = button(StrId::CompareKeepAll, "keepAllButton");
        connect(m_take, &QPushButton::clicked, this, &DifferencesDialog::takeSelected);
        connect(m_keep, &QPushButton::clicked, this, &DifferencesDialog::keepSelected);
        connect(m_takeAll, &QPushButton::clicked, this, &DifferencesDialog::takeAll);
        connect(m_keepAll, &QPushButton::clicked, this, &DifferencesDialog::keepAll);
        connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &DifferencesDialog::updateButtons);
    }
    buttons->addStretch();
    m_close = button(StrId::CompareClose, "closeButton");
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
}

std::vector<int> DifferencesDialog::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows.push_back(index.row());
    // The current row counts when nothing is selected, so the keyboard alone can pick a row.
    if (rows.empty() && m_table->currentIndex().isValid())
        rows.push_back(m_table->currentIndex().row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DifferencesDialog::takeSelected()
{
    const std::vector<Difference> &all = m_model->differences();
    // Taken from the last to the first: an earlier take never moves a later row's position.
    const std::vector<int> rows = selectedRows();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (*it >= 0 && *it < static_cast<int>(all.size()))
            m_resolver.take(all[static_cast<std::size_t>(*it)]);
    refresh();
}

void DifferencesDialog::keepSelected()
{
    const std::vector<Difference> &all = m_model->differences();
    for (int row : selectedRows())
        if (row >= 0 && row < static_cast<int>(all.size()))
            m_kept.insert(all[static_cast<std::size_t>(row)].path);
    refresh();
}

void DifferencesDialog::takeAll()
{
    const std::vector<Difference> all = m_model->differences();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        m_resolver.take(*it);
    refresh();
}

void DifferencesDialog::keepAll()
{
    for (const Difference &d : m_model->differences())
        m_kept.insert(d.path);
    refresh();
}

void DifferencesDialog::refresh()
{
    const int current = m_table->currentIndex().isValid() ? m_table->currentIndex().row() : 0;
    std::vector<Difference> now = m_resolver.compare();
    std::erase_if(now, [this](const Difference &d) { return m_kept.count(d.path) != 0; });
    m_model->setDifferences(std::move(now));
    // The keyboard stays in the list, on the row where it was (or the last one).
    if (m_model->rowCount() > 0) {
        m_table->setCurrentIndex(m_model->index(std::min(current, m_model->rowCount() - 1), 0));
        m_table->setFocus();
    }
    updateButtons();
}

void DifferencesDialog::updateButtons()
{
    const bool any = m_model->rowCount() > 0;
    for (QPushButton *b : {m_take, m_keep, m_takeAll, m_keepAll})
        if (b)
            b->setEnabled(any);
    if (!any)
        m_close->setFocus();
}

} // namespace tqv
