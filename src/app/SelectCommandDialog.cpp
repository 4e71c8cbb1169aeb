#include "SelectCommandDialog.h"

#include "QtText.h"
#include "editor/TreeEditor.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace tqv {

SelectCommandDialog::SelectCommandDialog(QWidget *parent) : QDialog(parent), m_list(new QListWidget(this))
{
    setWindowTitle(qtext(StrId::SelectCommandTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(m_list);
    for (const CommandChoice &c : commandChoices())
        m_list->addItem(QString::fromStdString(c.entry));
    // The two-digit prefixes make the sorted order the list order.
    m_list->setSortingEnabled(true);
    m_list->sortItems();
    m_list->setUniformItemSizes(true);
    resize(280, 300);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &SelectCommandDialog::onItemDoubleClicked);
}

void SelectCommandDialog::onItemDoubleClicked(QListWidgetItem *item)
{
    if (!item)
        return;
    const int index = m_list->row(item);
    if (!functionCodeForChoice(index))
        return; // functions the gateway cannot run: the dialog stays open
    m_chosen = index;
    accept();
}

} // namespace tqv
