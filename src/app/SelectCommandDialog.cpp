#include "SelectCommandDialog.h"

#include "QtText.h"
#include "editor/TreeEditor.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
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
    // Greyed, not disabled: they stay in the keyboard's way as in the list the user knows.
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    for (int i = 0; i < m_list->count(); ++i)
        if (!functionCodeForChoice(i))
            m_list->item(i)->setForeground(grey);
    m_list->setCurrentRow(0);
    m_list->installEventFilter(this);
    // OK takes the current entry as a double-click does; Cancel adds nothing.
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(qtext(StrId::SelectCommandOk), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("okButton"));
    buttons->addButton(qtext(StrId::SelectCommandCancel), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { onItemDoubleClicked(m_list->currentItem()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(280, 340);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &SelectCommandDialog::onItemDoubleClicked);
}

bool SelectCommandDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            onItemDoubleClicked(m_list->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
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
