#pragma once

#include "QtPrompter.h"
#include "editor/EditorSession.h"
#include "editor/GridLayout.h"
#include "editor/PropertyGrid.h"
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
class QKeyEvent;
class QLineEdit;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tqv {

// The form view: shows the editing session (the tree of its store and the property grid of the
// selected item) and hands the user's actions to it. The tree control itself belongs to the main
// window; the view fills it from the store, each item carrying the reference of what it is.
class CModbusConfigView : public QWidget {
    Q_OBJECT
public:
    CModbusConfigView(QTreeWidget *tree, QWidget *parent = nullptr);
    ~CModbusConfigView() override;

    EditorSession &editorSession() { return m_session; }
    ConfigStore &store() { return m_session.store(); }
    const ConfigStore &store() const { return m_session.store(); }
    // State beside the store that lives as long as the program and is not saved.
    SessionState &session() { return m_session.state(); }
    const SessionState &session() const { return m_session.state(); }
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
    const TreeEditor &treeEditor() const { return m_session.treeEditor(); }
    QTreeWidget *tree() const { return m_tree; }
    QTableWidget *grid() const { return m_grid; }

    // After New or Open: the document layer has already decided whether the store was renewed.
    // Nothing selected, or `keep` restored (Open of the same file).
    void initialUpdate(const Place *keep = nullptr);
    // The tree again from the store, keeping the place (see showPlace).
    void rebuildTree();
    // The store was replaced in place (an upload): a fresh history, the place kept, `summary` in
    // the status bar.
    void storeReplaced(const QString &summary);
    // An edit made outside the grid and the tree (taking a gateway's value): one undo step.
    // Returns whether it changed anything.
    bool applyEdit(const std::function<void(ConfigStore &)> &edit);

    // Where the user is in the tree, and the tree again from the store with that place: every
    // branch that still exists open, the selection where it still exists, else on its nearest
    // neighbour, else on its parent; the grid shows the selection.
    Place place() const;
    void showPlace(const Place &place);
    // The reference a tree item carries, and the item of a reference (null: none).
    static ItemRef refOf(const QTreeWidgetItem *item);
    QTreeWidgetItem *itemOf(const ItemRef &ref) const;

    // Tree commands (menu, toolbar and context menu).
    void addNode(bool fromContextMenu);
    // Runs "Select Command" through `choose` (returns the list index or -1) and adds the command.
    void addCommand(const std::function<int()> &choose);
    void deleteNode();
    void deleteCommand();
    void copyNode();
    void pasteNode();
    // "Mapping Address": asks, recomputes the mapping addresses, then shows the tree again with
    // the place kept and says in the status bar what the pass did.
    void mappingAddress();

    // Undo and redo of the edits above and of grid commits. An open edit box commits first; the
    // tree and the grid are then rebuilt from the store, keeping the place.
    bool canUndo() const { return m_session.canUndo(); }
    bool canRedo() const { return m_session.canRedo(); }
    void undo();
    void redo();
    const UndoHistory &history() const { return m_session.history(); }
    // The store was written to the document's file.
    void documentSaved() { m_session.markSaved(); }

    bool canCopySelected() const;
    bool canPasteOnSelected() const;
    // The session's mapping-command flag: cleared and set again by protocol changes in the grid.
    bool conflictDetectionAllowed() const { return m_session.mappingCommands(); }

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
    void stepHistory(bool back);
    void onCurrentItemChanged(QTreeWidgetItem *current);
    void fillGrid(const GridRows &rows);
    // Enabled with the white or grey field look when the row shows something, else inert.
    void showRowInUse(int row, bool grey);
    void hideEditors();
    QRect editorRect(int row, int column) const;
    void commitEditBox();
    // Return in the edit box: committed, then on to the next row's value.
    void commitAndMoveDown();
    void commitListPick(int index);
    // The prompt of `row` in the prompt pane; returns what the row is.
    CellInfo showPrompt(int row);
    // A key on the grid itself; true when it was taken.
    bool gridKey(QKeyEvent *key);
    // Tab: to the tree, an open edit box committed.
    void leaveGrid();
    void applyCommit(const CommitResult &result, bool stillSelected);
    void relistSubnet(int subnet, bool withNodes);
    // The tree again from the store: nothing expanded, nothing selected.
    void refillTree();
    void clearGrid();
    bool eventFilter(QObject *watched, QEvent *event) override;
    QTreeWidgetItem *subnetItem(int subnet) const;
    ItemRef contextTarget() const;
    void clearRightClicked();

    EditorSession m_session;
    TreeDescription m_shownTree; // what the tree widget shows
    SerialSettings m_serial;
    // A port list that is due: the gateway type its rebuild takes the baud rate from, and the
    // request it answers (a scan that began before a later request is read again).
    std::optional<std::uint32_t> m_portsDueType;
    int m_portsDue = 0;
    int m_portsScanned = 0;
    bool m_portScanAllowed = false;
    void settlePorts(bool wait);
    std::function<std::vector<std::string>()> m_portSource;
    QtPrompter m_prompter;
    QTreeWidget *m_tree;
    QTableWidget *m_grid;
    ItemRef m_rightClicked;

    // Grid state while an item is shown.
    QComboBox *m_list;
    QLineEdit *m_edit;
    ItemRef m_shown;
    ItemRef m_editedItem;
    int m_clickedRow = -1;
    bool m_pulseEditable = false;
    bool m_gridReady = false;
    bool m_committing = false;

    // Last, so that a scan still running is waited for before anything it reports to goes.
    QtSerialPortScan m_portScan;
};

} // namespace tqv
