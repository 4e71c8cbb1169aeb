#pragma once

#include "QtPrompter.h"
#include "editor/PropertyGrid.h"
#include "editor/TreeEditor.h"
#include "editor/UndoHistory.h"
#include "editor/ValueCommit.h"
#include "model/ConfigStore.h"
#include "model/SessionState.h"
#include "io/QtSerialPorts.h"
#include "serial/SerialSettings.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
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
    // State beside the store that lives as long as the program and is not saved.
    SessionState &session() { return m_session; }
    const SessionState &session() const { return m_session; }
    // The program-wide serial settings, beside the store for the whole run. A port list still
    // being read is waited for (or read now), so that they are right whenever they are used.
    SerialSettings &serialSettings();
    // Empties the serial port list and fills it again from the system (with the baud-rate
    // default of the store's gateway type as it is now). The list is read off the window's
    // thread once the window has painted its first frame, or on first use if that comes first.
    void refreshSerialPorts();
    // The window has painted its first frame: a port list that is due may be read now.
    void allowPortScan();
    // Where the port list comes from; the system's ports unless a test sets its own. It is read
    // on a thread of its own.
    void setPortSource(std::function<std::vector<std::string>()> source) { m_portSource = std::move(source); }
    const TreeEditor &treeEditor() const { return m_editor; }
    QTreeWidget *tree() const { return m_tree; }
    QTableWidget *grid() const { return m_grid; }

    // After New or Open: the document layer has already decided whether the store was renewed.
    void initialUpdate();
    // The tree again from the store: nothing expanded, nothing selected.
    void rebuildTree();
    // An edit made outside the grid and the tree (taking a gateway's value): one undo step.
    void applyEdit(const std::function<void(ConfigStore &)> &edit);

    // Tree commands (menu, toolbar and context menu).
    void addNode(bool fromContextMenu);
    // Runs "Select Command" through `choose` (returns the list index or -1) and adds the command.
    void addCommand(const std::function<int()> &choose);
    void deleteNode();
    void deleteCommand();
    void copyNode();
    void pasteNode();
    // "Mapping Address": asks, recomputes the mapping addresses, then shows the tree again from
    // the store with the grid cleared, so a command shows its new values when selected again.
    void mappingAddress();

    // Undo and redo of the edits above and of grid commits. An open edit box commits first; the
    // tree and the grid are then rebuilt from the store, keeping the selection where it exists.
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    void undo();
    void redo();
    const UndoHistory &history() const { return m_history; }
    // The store was replaced (New, Open, an upload): a fresh history, unmodified unless the
    // store says it is modified.
    void startFreshHistory();
    // The store was written to the document's file.
    void documentSaved() { m_history.markSaved(); }

    // Item kind of a tree item, recognised from its labels.
    static ItemRef identify(const QTreeWidgetItem *item);
    bool canCopySelected() const;
    bool canPasteOnSelected() const;
    // The view's mapping-command flag: cleared and set again by protocol changes in the grid.
    bool conflictDetectionAllowed() const { return m_conflictDetection; }

    // Right click at a point of the tree's viewport: selects the item there, returns whether
    // the context menu is to be shown (its enabling is then in treeEditor().flags()).
    bool prepareContextMenu(const QPoint &viewportPos);

    // The property grid: fill it for the selected tree item, and react to a click on a cell.
    void showItem();
    void onCellClicked(int row, int column);
    QComboBox *inPlaceList() const { return m_list; }
    QLineEdit *inPlaceEdit() const { return m_edit; }
    bool gridReady() const { return m_gridReady; }
    // What the grid currently shows and for which item.
    const ItemRef &shownItem() const { return m_shown; }
    int clickedRow() const { return m_clickedRow; }

signals:
    // The enabling of the tree commands may have changed.
    void commandStateChanged();
    // New text for the prompt pane (empty empties it).
    void promptChanged(const QString &text);
    // A line for the status bar until the next action (empty: back to "Ready").
    void statusMessage(const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    class EditStep;
    EditorMarks currentMarks() const;
    void closeStep();
    void stepHistory(bool back);
    void onCurrentItemChanged(QTreeWidgetItem *current);
    void fillGrid(const GridRows &rows);
    void hideEditors();
    QRect editorRect(int row, int column) const;
    void commitEditBox();
    void commitListPick(int index);
    void applyCommit(const CommitResult &result, bool stillSelected);
    void relistSubnet(int subnet, bool withNodes);
    // The items whose branches are open, and the tree again from the store with those branches
    // open and `select` selected (when it exists).
    std::vector<ItemRef> expandedItems() const;
    void refillTree(const std::vector<ItemRef> &expanded, const ItemRef &select);
    bool eventFilter(QObject *watched, QEvent *event) override;
    QTreeWidgetItem *subnetItem(int subnet) const;
    QTreeWidgetItem *contextTarget() const;
    void clearRightClicked();

    std::unique_ptr<ConfigStore> m_store;
    SessionState m_session;
    SerialSettings m_serial;
    // A port list that is due: the gateway type its rebuild takes the baud rate from, and the
    // request it answers (a scan that began before a later request is read again).
    std::optional<std::uint32_t> m_portsDueType;
    int m_portsDue = 0;
    int m_portsScanned = 0;
    bool m_portScanAllowed = false;
    void settlePorts(bool wait);
    std::function<std::vector<std::string>()> m_portSource;
    TreeEditor m_editor;
    QtPrompter m_prompter;
    QTreeWidget *m_tree;
    QTableWidget *m_grid;
    QTreeWidgetItem *m_rightClicked = nullptr;
    bool m_conflictDetection = true;

    // Grid state while an item is shown.
    QComboBox *m_list;
    QLineEdit *m_edit;
    ItemRef m_shown;
    QTreeWidgetItem *m_editedItem = nullptr;
    int m_clickedRow = -1;
    bool m_pulseEditable = false;
    bool m_gridReady = false;
    bool m_committing = false;

    UndoHistory m_history;
    int m_editDepth = 0; // EditStep frames open
    // Last, so that a scan still running is waited for before anything it reports to goes.
    QtSerialPortScan m_portScan;
};

} // namespace tqv
