#pragma once

#include "link/Prompter.h"
#include "resources/StringId.h"
#include "resources/Strings.h"

#include "compare/ConfigDiff.h"

#include <QMainWindow>
#include <QMap>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QTreeWidget;

namespace tqv {

class CModbusConfigDoc;
class DemoGateway;
class CModbusConfigView;
class DockPane;
class QtSettingsStore;

// The main window: menus, toolbar, status bar, the tree pane and the prompt pane; routes every
// command by its fixed id to the document or the view.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget *parent = nullptr);
    ~CMainFrame() override;

    CModbusConfigView *view() const { return m_view; }
    CModbusConfigDoc *document() const { return m_doc; }
    QTreeWidget *tree() const { return m_tree; }
    QLabel *promptText() const { return m_prompt; }
    DockPane *treePane() const { return m_treePane; }
    DockPane *promptPane() const { return m_promptPane; }
    QToolBar *toolBar() const { return m_toolBar; }
    QAction *action(int commandId) const { return m_actions.value(commandId); }
    QMenu *recentFileMenuHost() const { return m_fileMenu; }

    // Opens a project at start-up or from the recent-file list; a failure is shown in a box.
    bool openProject(const QString &path);
    // The project named on the command line: opened, then the serial port list read again.
    bool startWithProject(const QString &path);

    // "Serial Connection": the settings dialog, modal.
    void onSerialConnection();
    // Before a transfer dialog or the monitor opens: the settings dialog first, unless the
    // settings were confirmed before; afterwards they count as confirmed.
    void confirmSerialSettings();

    // Tests replace the file dialogs: called with true for a save dialog; "" means cancelled.
    void setFileNameProvider(std::function<QString(bool save)> provider) { m_fileNameProvider = std::move(provider); }
    // Tests replace the import's open dialog; "" means cancelled.
    void setImportFileNameProvider(std::function<QString()> provider) { m_importNameProvider = std::move(provider); }
    // Tests replace the export's save dialog; "" means cancelled.
    void setExportFileNameProvider(std::function<QString()> provider) { m_exportNameProvider = std::move(provider); }
    // Tests move the folder where the help file and the manual are looked for (default: the
    // program's own).
    void setProgramDirectory(const QString &dir) { m_programDir = dir; }
    // Tests replace "Select Command": returns the chosen list index or -1.
    void setCommandChooser(std::function<int()> chooser) { m_commandChooser = std::move(chooser); }

    // Command handlers, by menu id.
    // New of a new document's own model (no model question).
    void onFileNew();
    // File > New: the gateway model first, then the question about unsaved changes.
    void onNewProject();
    void onFileOpen();
    bool onFileSave();
    bool onFileSaveAs();
    void onHelpContent();
    void onAbout();
    void onConflictDetection();
    // "Upload" and "Download" over the serial link (every type but the Ethernet gateway).
    void onUpload();
    void onDownload();
    // "Ethernet Connection": search for gateways or use a fixed address (Ethernet gateway only).
    void onEthernetConnection();
    // "Monitor I/O Data": the firmware question where the model asks it, then the monitor of the right link.
    void onMonitor();
    // --demo: starts `simulator` as a gateway of the configuration's type and chooses it; the
    // status bar says so while it runs. False (with a message box) when it cannot be started.
    bool startDemo(const QString &simulator);
    // "Excel Output": the configuration written into a workbook, then opened by the desktop.
    void onExcelOutput();
    // File > Import: a workbook or a CSV command list read into the open configuration, its
    // differences and refused cells shown first, then applied as one undo step with the place kept.
    void onImport();
    // Tools > Compare with Gateway: the gateway's configuration read into one of its own and its
    // differences from the document resolved in a dialog.
    void onCompareWithGateway();
    void addCompareWithGateway(QMenu *tools);
    void resolveDifferences(const ConfigStore &gateway, Carried carried, int firmware);
    // The line the status bar shows after an upload of `store`.
    static QString uploadSummary(const ConfigStore &store);

    // The window has painted its first frame (work that can wait starts after it).
    bool firstFrameShown() const { return m_firstFrameShown; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *makeAction(int id, StrId menuText, StrId prompt, const QKeySequence &key = {});
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createPanes();
    // Undo and Redo: the Edit menu's first entries and two toolbar buttons.
    void createUndoCommands();
    // Delete, Insert, Ctrl+C and Ctrl+V in the tree.
    void createTreeKeys();
    void updateCommandState();
    // "name.tqv[*] — title" for a titled document, the plain title otherwise; the marker shows
    // while the document is modified.
    void updateTitle();
    void updateUndoCommands();
    void rebuildRecentFiles();
    void showTreeContextMenu(const QPoint &pos);
    // The "Save Configuration" question and what follows from its answer.
    Answer askSaveConfiguration();
    // Whether the project at `path`, whose values are in `language`, is to be opened converted.
    bool askConvertLanguage(const QString &path, Language language);
    bool mayDiscardChanges();
    bool saveTo(const QString &path);
    QString askFileName(bool save);
    QString fileFromDialog(StrId title, StrId filter, const QString &suffix, bool save);
    void showError(const QString &message);
    // "Seach Device" before an Ethernet transfer; true when a gateway was chosen.
    bool searchGateway();
    // Before a transfer: the device search for the network gateway, the serial settings otherwise.
    bool reachGateway();

    CModbusConfigView *m_view = nullptr;
    CModbusConfigDoc *m_doc = nullptr;
    QTreeWidget *m_tree = nullptr;
    QLabel *m_prompt = nullptr;
    DockPane *m_treePane = nullptr;
    DockPane *m_promptPane = nullptr;
    QToolBar *m_toolBar = nullptr;
    QMenu *m_fileMenu = nullptr;
    QAction *m_recentSeparator = nullptr;
    QList<QAction *> m_recentActions;
    QAction *m_recentPlaceholder = nullptr;
    QMap<int, QAction *> m_actions;
    std::function<QString(bool)> m_fileNameProvider;
    std::function<QString()> m_exportNameProvider;
    std::function<QString()> m_importNameProvider;
    std::unique_ptr<DemoGateway> m_demo;
    QString m_programDir;
    std::function<int()> m_commandChooser;
    QtSettingsStore *m_settings = nullptr;
    QString m_statusShown; // the status bar's last message as shown (shortened when too wide)
    bool m_firstFrameShown = false;
    bool m_recentFilesUnsaved = false; // opened before the first frame; saved after it
};

} // namespace tqv
