#pragma once

#include <QDockWidget>

namespace tqv {

// A resizable docking pane: a slim gripper bar while docked (with a close button), the window
// text as a normal title while floating. Dockable on every side.
class DockPane : public QDockWidget {
    Q_OBJECT
public:
    DockPane(const QString &windowText, int paneId, QWidget *parent = nullptr);
    int paneId() const { return m_paneId; }

private:
    void onTopLevelChanged(bool floating);

    int m_paneId;
    QWidget *m_gripper = nullptr;
};

} // namespace tqv
