#pragma once

#include <QDialog>

class QListWidget;
class QListWidgetItem;

namespace tqv {

// "Select Command": the fourteen Modbus functions; a double-click on one of the eight that can be
// chosen, or Return on it, accepts the dialog; the six others are shown greyed. No buttons; the
// close box or Escape adds nothing.
class SelectCommandDialog : public QDialog {
    Q_OBJECT
public:
    explicit SelectCommandDialog(QWidget *parent = nullptr);
    // The chosen list index (0..5, 12, 13) after exec() returned Accepted, else -1.
    int chosenIndex() const { return m_chosen; }
    QListWidget *list() const { return m_list; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onItemDoubleClicked(QListWidgetItem *item);

    QListWidget *m_list;
    int m_chosen = -1;
};

} // namespace tqv
