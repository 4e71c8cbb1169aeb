#pragma once

#include "QtPrompter.h"
#include "editor/TreeEditor.h"
#include "model/ConfigStore.h"

#include <QWidget>

#include <memory>

class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tqv {

// The form view: owns the configuration store for the whole run, shows the property grid of the
// selected tree item and carries out the tree's commands. The tree control itself belongs to the
// main window; the view fills it from the store.
class CModbusConfigView : public QWidget {
    Q_OBJECT
public:
    CModbusConfigView(QTreeWidget *tree, QWidget *parent = nullptr);
    ~CModbusConfigView() override;

    ConfigStore &store() { return *m_store; }
    const ConfigStore &store() const { return *m_store; }
    const TreeEditor &treeEditor() const { return m_editor; }
    QTreeWidget *tree() const { return m_tree; }
    QTableWidget *grid() const { return m_grid; }

    // After New or Open: the document layer has already decided whether the store was renewed.
    void initialUpdate();
    // The tree again from the store: nothing expanded, nothing selected.
    void rebuildTree();

    // Tree commands (menu, toolbar and context menu).
    void addNode(bool fromContextMenu);
    // Runs "Select Command" through `choose` (returns the list index or -1) and adds the command.
    void addCommand(const std::function<int()> &choose);
    void deleteNode();
    void deleteCommand();
    void copyNode();
    void pasteNode();

    // Item kind of a tree item, recognised from its labels.
    static ItemRef identify(const QTreeWidgetItem *item);
    bool canCopySelected() const;
    bool canPasteOnSelected() const;
    bool conflictDetectionAllowed() const { return m_conflictDetection; }

    // Right click at a point of the tree's viewport: selects the item there, returns whether
    // the context menu is to be shown (its enabling is then in treeEditor().flags()).
    bool prepareContextMenu(const QPoint &viewportPos);

signals:
    // The enabling of the tree commands may have changed.
    void commandStateChanged();

private:
    void onCurrentItemChanged(QTreeWidgetItem *current);
    QTreeWidgetItem *subnetItem(int subnet) const;
    QTreeWidgetItem *contextTarget() const;
    void clearRightClicked();

    std::unique_ptr<ConfigStore> m_store;
    TreeEditor m_editor;
    QtPrompter m_prompter;
    QTreeWidget *m_tree;
    QTableWidget *m_grid;
    QTreeWidgetItem *m_rightClicked = nullptr;
    bool m_conflictDetection = true;
};

} // namespace tqv
