#include "ImportDialog.h"

#include "DifferencesDialog.h"
#include "QtText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tqv {

namespace {

QLabel *heading(const std::string &text, QWidget *buddy)
{
    auto *label = new QLabel(QString::fromStdString(text));
    label->setWordWrap(true);
    label->setBuddy(buddy);
    return label;
}

} // namespace

ImportDialog::ImportDialog(const QString &fileName, std::vector<Difference> differences,
                           const std::vector<RefusedCell> &refused, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("importDialog"));
    setWindowTitle(QString::fromStdString(formatText(StrId::ImportTitle, {fileName.toStdString()})));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const bool anyChange = !differences.empty();
    const bool anyRefused = !refused.empty();

    m_model = new DifferenceTableModel(this);
    m_model->setOtherHeading(StrId::ImportColumnWorkbook);
    const std::string changes = anyChange ? formatText(StrId::ImportDifferencesHeading, {std::to_string(differences.size())})
                                          : text(StrId::ImportNoDifferences);
    m_model->setDifferences(std::move(differences));
    m_differences = new QTableView;
    m_differences->setObjectName(QStringLiteral("importDifferences"));
    m_differences->setModel(m_model);
    m_differences->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_differences->setSelectionMode(QAbstractItemView::SingleSelection);
    m_differences->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_differences->setTabKeyNavigation(false); // Tab goes on to the next list and the buttons
    m_differences->verticalHeader()->hide();
    m_differences->horizontalHeader()->setStretchLastSection(true);
    m_differences->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_differences->setMinimumSize(fontMetrics().averageCharWidth() * 90, fontMetrics().height() * (anyRefused ? 10 : 16));

    m_refused = new QTableWidget(static_cast<int>(refused.size()), 5);
    m_refused->setObjectName(QStringLiteral("importRefused"));
    m_refused->setHorizontalHeaderLabels({qtext(StrId::ImportColumnSheet), qtext(StrId::ImportColumnRow),
                                          qtext(StrId::ImportColumnColumn), qtext(StrId::ImportColumnValue),
                                          qtext(StrId::ImportColumnReason)});
    for (int row = 0; row < m_refused->rowCount(); ++row) {
        const RefusedCell &cell = refused[static_cast<std::size_t>(row)];
        const std::string texts[] = {cell.sheet, std::to_string(cell.row), cell.column, cell.value, cell.reason};
        for (int column = 0; column < 5; ++column) {
            auto *item = new QTableWidgetItem(QString::fromStdString(texts[column]));
            item->setToolTip(item->text());
            m_refused->setItem(row, column, item);
        }
    }
    m_refused->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_refused->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_refused->setTabKeyNavigation(false);
    m_refused->verticalHeader()->hide();
    m_refused->horizontalHeader()->setStretchLastSection(true);
    m_refused->resizeColumnsToContents();
    m_refused->setMinimumHeight(fontMetrics().height() * 8);

    auto *buttons = new QHBoxLayout;
    auto button = [&](StrId label, const char *name) {
        auto *b = new QPushButton(qtext(label));
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    buttons->addStretch();
    m_apply = button(StrId::ImportApply, "applyButton");
    m_applyAccepted = button(StrId::ImportApplyAccepted, "applyAcceptedButton");
    m_cancel = button(StrId::ImportCancel, "cancelButton");
    m_apply->setEnabled(anyChange && !anyRefused);
    m_applyAccepted->setVisible(anyRefused);
    m_applyAccepted->setEnabled(anyChange && anyRefused);
    // Enter applies only an import without refusals; otherwise taking part of it is a choice made
    // on its own button.
    (m_apply->isEnabled() ? m_apply : m_cancel)->setDefault(true);
    connect(m_apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_applyAccepted, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading(changes, m_differences));
    layout->addWidget(m_differences, 2);
    if (anyRefused) {
        layout->addWidget(heading(formatText(StrId::ImportRefusedHeading, {std::to_string(refused.size())}), m_refused));
        layout->addWidget(m_refused, 1);
    } else {
        m_refused->hide();
    }
    layout->addLayout(buttons);
    setTabOrder(m_differences, m_refused);
    setTabOrder(m_refused, m_apply);
    setTabOrder(m_apply, m_applyAccepted);
    setTabOrder(m_applyAccepted, m_cancel);
    m_differences->setFocus();
}

} // namespace tqv
