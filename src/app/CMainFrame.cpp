#include "CMainFrame.h"

#include "AboutDialog.h"
#include "CModbusConfigDoc.h"
#include "CModbusConfigView.h"
#include "CommandIds.h"
#include "DifferencesDialog.h"
#include "ImportDialog.h"
#include "CSearchDeviceDlg.h"
#include "ConflictDialog.h"
#include "DemoGateway.h"
#include "ManualLocation.h"
#include "MonitorDialogs.h"
#include "QtText.h"
#include "NewModelDialog.h"
#include "SelectCommandDialog.h"
#include "TitleWidth.h"
#include "QtPrompter.h"
#include "SerialSettingsDialog.h"
#include "TransferDialog.h"
#include "ToolbarIcons.h"
#include "controls/DockPane.h"
#include "editor/ConfigTree.h"
#include "editor/SavePrompt.h"
#include "model/Domain.h"
#include "model/ModelProfile.h"
#include "model/ProjectDocument.h"
#include "model/ProjectLanguage.h"
#include "ethernet/EthernetTransfer.h"
#include "gateway/GatewaySession.h"
#include "export/Workbook.h"
#include "export/WorkbookImport.h"
#include "export/WorkbookReader.h"
#include "ethernet/MessageHeader.h"
#include "serial/DownloadProcedure.h"
#include "serial/SerialSettings.h"
#include "io/QtSettingsStore.h"

#include <QApplication>

#include <algorithm>
#include <optional>
#include <tuple>
#include <utility>
#include <QCloseEvent>
#include <QShowEvent>
#include <QWindow>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTimer>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyleFactory>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

namespace tqv {

namespace {

const QString kHelpFile = QStringLiteral("TQV-580_V1.0.1_UM.chm");

// Toolbar buttons sized as if their contents were at least 41 by 36 pixels (with the style's
// frame, about the 45 by 40 of the gateway's tools). A style of the buttons' own rather than a
// style sheet, which would put the toolbar and its buttons through the style sheet machinery
// before the window's first frame.
class ToolButtonStyle final : public QProxyStyle {
public:
    explicit ToolButtonStyle(QObject *owner) : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
    {
        setParent(owner);
    }
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &contents,
                           const QWidget *widget) const override
    {
        if (type == CT_ToolButton)
            return QProxyStyle::sizeFromContents(type, option, contents.expandedTo(QSize(41, 36)), widget);
        return QProxyStyle::sizeFromContents(type, option, contents, widget);
    }
};

// Commands whose work arrives with later parts of the program: present, but disabled.

} // namespace

CMainFrame::CMainFrame(QWidget *parent) : QMainWindow(parent), m_settings(new QtSettingsStore)
{
    setObjectName(QStringLiteral("CMainFrame"));
    fitDialogsToTheirTitles();
    setWindowTitle(qtext(StrId::AppTitle));
    setWindowIcon(applicationIcon());
    resize(1034, 640);
    // A small screen or a large scale factor must not push the window past the screen's edges.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        resize(size().boundedTo(screen->availableGeometry().size()));

    m_tree = new QTreeWidget;
    m_tree->setObjectName(QStringLiteral("configurationTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(true);
    m_tree->setIconSize(QSize(18, 18));
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setUniformRowHeights(true);
    connect(m_tree, &QWidget::customContextMenuRequested, this, &CMainFrame::showTreeContextMenu);

    m_view = new CModbusConfigView(m_tree, this);
    setCentralWidget(m_view);
    m_doc = new CModbusConfigDoc(m_view, this);
    m_doc->setRecentFiles(m_settings->loadRecentFiles());

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    createPanes();
    createUndoCommands();
    createTreeKeys();

    connect(m_view, &CModbusConfigView::commandStateChanged, this, &CMainFrame::updateCommandState);
    connect(m_view, &CModbusConfigView::promptChanged, this, [this](QString text) {
        // The texts carry Windows line ends; a label wants plain line feeds.
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        m_prompt->setText(text);
    });
    connect(m_view, &CModbusConfigView::statusMessage, this, [this](const QString &text) { statusBar()->showMessage(text); });
    connect(m_doc, &CModbusConfigDoc::recentFilesChanged, this, [this] {
        // Writing the settings waits for the disk: at start-up it waits for the first frame.
        if (m_firstFrameShown)
            m_settings->saveRecentFiles(m_doc->recentFiles());
        else
            m_recentFilesUnsaved = true;
        rebuildRecentFiles();
        updateTitle(); // the document was opened or saved under its path
    });
    rebuildRecentFiles();
    restoreState(m_settings->loadWindowState());
    m_commandChooser = [this] {
        SelectCommandDialog dialog(this);
        return dialog.exec() == QDialog::Accepted ? dialog.chosenIndex() : -1;
    };
    m_doc->newDocument();
}

CMainFrame::~CMainFrame() { delete m_settings; }

QAction *CMainFrame::makeAction(int id, StrId menuText, StrId prompt, const QKeySequence &key)
{
    auto *a = new QAction(qtext(menuText), this);
    a->setObjectName(QStringLiteral("cmd%1").arg(id));
    a->setData(id);
    a->setStatusTip(statusPart(prompt));
    a->setToolTip(tooltipPart(prompt));
    if (!key.isEmpty())
        a->setShortcut(key);
    m_actions.insert(id, a);
    return a;
}

void CMainFrame::createActions()
{
    connect(makeAction(cmd::FileNew, StrId::MenuFileNew, StrId::PromptFileNew, QKeySequence(Qt::CTRL | Qt::Key_N)),
            &QAction::triggered, this, &CMainFrame::onNewProject);
    connect(makeAction(cmd::FileOpen, StrId::MenuFileOpen, StrId::PromptFileOpen, QKeySequence(Qt::CTRL | Qt::Key_O)),
            &QAction::triggered, this, &CMainFrame::onFileOpen);
    connect(makeAction(cmd::FileImport, StrId::ImportMenu, StrId::ImportPrompt), &QAction::triggered, this,
            &CMainFrame::onImport);
    connect(makeAction(cmd::FileSave, StrId::MenuFileSave, StrId::PromptFileSave, QKeySequence(Qt::CTRL | Qt::Key_S)),
            &QAction::triggered, this, [this] { onFileSave(); });
    connect(makeAction(cmd::FileSaveAs, StrId::MenuFileSaveAs, StrId::PromptFileSaveAs), &QAction::triggered, this,
            [this] { onFileSaveAs(); });
    connect(makeAction(cmd::AppExit, StrId::MenuFileExit, StrId::PromptAppExit), &QAction::triggered, this,
            &QWidget::close);

    connect(makeAction(cmd::AddNode, StrId::MenuAddNode, StrId::PromptAddNode, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)),
            &QAction::triggered, this, [this] { m_view->addNode(false); });
    connect(makeAction(cmd::DeleteNode, StrId::MenuDeleteNode, StrId::PromptDeleteNode), &QAction::triggered,
            this, [this] { m_view->deleteNode(); });
    connect(makeAction(cmd::AddCommand, StrId::MenuAddCommand, StrId::PromptAddCommand,
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)),
            &QAction::triggered, this, [this] { m_view->addCommand(m_commandChooser); });
    connect(makeAction(cmd::DeleteCommand, StrId::MenuDeleteCommand, StrId::PromptDeleteCommand),
            &QAction::triggered, this, [this] { m_view->deleteCommand(); });

    connect(makeAction(cmd::SerialConnection, StrId::MenuSerialConnection, StrId::PromptSerialConnection,
                       QKeySequence(Qt::CTRL | Qt::Key_P)),
            &QAction::triggered, this, &CMainFrame::onSerialConnection);
    connect(makeAction(cmd::EthernetConnection, StrId::MenuEthernetConnection, StrId::PromptEthernetConnection,
                       QKeySequence(Qt::CTRL | Qt::Key_Q)),
            &QAction::triggered, this, &CMainFrame::onEthernetConnection);
    connect(makeAction(cmd::Upload, StrId::MenuUpload, StrId::PromptUpload, QKeySequence(Qt::CTRL | Qt::Key_U)),
            &QAction::triggered, this, &CMainFrame::onUpload);
    connect(makeAction(cmd::Download, StrId::MenuDownload, StrId::PromptDownload, QKeySequence(Qt::CTRL | Qt::Key_D)),
            &QAction::triggered, this, &CMainFrame::onDownload);
    connect(makeAction(cmd::ExcelOutput, StrId::MenuExcelOutput, StrId::PromptExcelOutput,
                       QKeySequence(Qt::CTRL | Qt::Key_E)),
            &QAction::triggered, this, &CMainFrame::onExcelOutput);
    connect(makeAction(cmd::Monitor, StrId::MenuMonitor, StrId::PromptMonitor, QKeySequence(Qt::CTRL | Qt::Key_K)),
            &QAction::triggered, this, &CMainFrame::onMonitor);
    connect(makeAction(cmd::MappingAddress, StrId::MenuMappingAddress, StrId::PromptMappingAddress,
                       QKeySequence(Qt::CTRL | Qt::Key_M)),
            &QAction::triggered, this, [this] { m_view->mappingAddress(); });
    connect(makeAction(cmd::ConflictDetection, StrId::MenuConflictDetection, StrId::PromptConflictDetection,
                       QKeySequence(Qt::CTRL | Qt::Key_T)),
            &QAction::triggered, this, &CMainFrame::onConflictDetection);

    QAction *viewTree = makeAction(cmd::ViewTree, StrId::MenuViewTree, StrId::PromptViewTree);
    QAction *viewPrompt = makeAction(cmd::ViewPrompt, StrId::MenuViewPrompt, StrId::PromptViewPrompt);
    viewTree->setCheckable(true);
    viewPrompt->setCheckable(true);

    connect(makeAction(cmd::HelpContent, StrId::MenuHelpContent, StrId::PromptHelpContent), &QAction::triggered,
            this, &CMainFrame::onHelpContent);
    connect(makeAction(cmd::AppAbout, StrId::MenuAbout, StrId::PromptAppAbout), &QAction::triggered, this,
            &CMainFrame::onAbout);
}

void CMainFrame::createMenus()
{
    m_fileMenu = menuBar()->addMenu(qtext(StrId::MenuFile));
    m_fileMenu->setObjectName(QStringLiteral("menuFile"));
    for (int id : {cmd::FileNew, cmd::FileOpen, cmd::FileImport, cmd::FileSave, cmd::FileSaveAs})
        m_fileMenu->addAction(m_actions.value(id));
    m_fileMenu->addSeparator();
    m_recentPlaceholder = m_fileMenu->addAction(qtext(StrId::MenuRecentFile));
    m_recentPlaceholder->setEnabled(false);
    m_recentSeparator = m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_actions.value(cmd::AppExit));

    QMenu *edit = menuBar()->addMenu(qtext(StrId::MenuEdit));
    edit->setObjectName(QStringLiteral("menuEdit"));
    for (int id : {cmd::AddNode, cmd::DeleteNode, cmd::AddCommand, cmd::DeleteCommand})
        edit->addAction(m_actions.value(id));

    QMenu *tools = menuBar()->addMenu(qtext(StrId::MenuTools));
    tools->setObjectName(QStringLiteral("menuTools"));
    tools->addAction(m_actions.value(cmd::SerialConnection));
    tools->addAction(m_actions.value(cmd::EthernetConnection));
    tools->addSeparator();
    tools->addAction(m_actions.value(cmd::Upload));
    tools->addAction(m_actions.value(cmd::Download));
    addCompareWithGateway(tools);
    tools->addSeparator();
    tools->addAction(m_actions.value(cmd::ExcelOutput));
    tools->addAction(m_actions.value(cmd::Monitor));
    tools->addSeparator();
    tools->addAction(m_actions.value(cmd::MappingAddress));
    tools->addAction(m_actions.value(cmd::ConflictDetection));

    QMenu *view = menuBar()->addMenu(qtext(StrId::MenuView));
    view->setObjectName(QStringLiteral("menuView"));
    view->addAction(m_actions.value(cmd::ViewTree));
    view->addAction(m_actions.value(cmd::ViewPrompt));

    QMenu *help = menuBar()->addMenu(qtext(StrId::MenuHelp));
    help->setObjectName(QStringLiteral("menuHelp"));
    help->addAction(m_actions.value(cmd::HelpContent));
    help->addAction(m_actions.value(cmd::AppAbout));
}

void CMainFrame::createToolBar()
{
    m_toolBar = addToolBar(QString());
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setIconSize(QSize(32, 32));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    const int order[] = {cmd::FileNew,  cmd::FileSave,          cmd::FileOpen,       cmd::AddNode,
                         cmd::DeleteNode, cmd::AddCommand,      cmd::DeleteCommand,  cmd::Upload,
                         cmd::Download, cmd::MappingAddress,    cmd::ConflictDetection, cmd::ExcelOutput,
                         cmd::Monitor};
    for (int id : order) {
        QAction *a = m_actions.value(id);
        a->setIcon(toolbarIcon(id));
        m_toolBar->addAction(a);
        if (id == cmd::FileOpen || id == cmd::DeleteCommand || id == cmd::Download)
            m_toolBar->addSeparator();
    }
    // Menus show the menu texts; the toolbar shows icons with the short tooltips.
    for (QAction *a : m_toolBar->actions())
        a->setIconVisibleInMenu(false);
}

void CMainFrame::createStatusBar()
{
    QStatusBar *bar = statusBar();
    for (StrId id : {StrId::IndicatorCaps, StrId::IndicatorNum, StrId::IndicatorScroll}) {
        auto *label = new QLabel(qtext(id), bar);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(label->text()) + 12);
        label->setEnabled(false); // lock-key states are not visible to a portable program
        bar->addPermanentWidget(label);
    }
    connect(bar, &QStatusBar::messageChanged, this, [this, bar](const QString &message) {
        if (message.isEmpty()) {
            bar->showMessage(qtext(StrId::StatusReady));
            return;
        }
        if (message == m_statusShown)
            return; // the shortened form of the last message
        // A message wider than the room beside the indicators is shortened; the bar's tooltip
        // carries it whole.
        int room = bar->width() - 24;
        for (const QWidget *w : bar->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (w->isVisible() && qobject_cast<const QLabel *>(w))
                room -= w->width() + 6;
        m_statusShown = bar->fontMetrics().elidedText(message, Qt::ElideRight, std::max(room, 80));
        bar->setToolTip(m_statusShown == message ? QString() : message);
        if (m_statusShown != message)
            bar->showMessage(m_statusShown);
    });
    bar->showMessage(qtext(StrId::StatusReady));
}

void CMainFrame::createPanes()
{
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    m_treePane = new DockPane(qtext(StrId::PaneWindowText), cmd::TreePane, this);
    m_treePane->setWidget(m_tree);
    addDockWidget(Qt::LeftDockWidgetArea, m_treePane);

    m_prompt = new QLabel;
    m_prompt->setObjectName(QStringLiteral("promptText"));
    m_prompt->setWordWrap(true);
    m_prompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setMargin(4);
    auto *scroll = new QScrollArea;
    scroll->setWidget(m_prompt);
    scroll->setWidgetResizable(true);
    scroll->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_promptPane = new DockPane(qtext(StrId::PaneWindowText), cmd::PromptPane, this);
    m_promptPane->setWidget(scroll);
    addDockWidget(Qt::BottomDockWidgetArea, m_promptPane);

    // Wide enough for the longest command name three levels down ("Preset Multiple Registers").
    int widest = 0;
    for (const char *code : {"1", "2", "3", "4", "5", "6", "15", "16"})
        widest = std::max(widest, m_tree->fontMetrics().horizontalAdvance(QString::fromStdString(functionName(code))));
    const int treeWidth = 3 * m_tree->indentation() + m_tree->iconSize().width() + widest + 2 * m_tree->frameWidth() + 24;
    resizeDocks({m_treePane}, {std::max(200, treeWidth)}, Qt::Horizontal);
    resizeDocks({m_promptPane}, {120}, Qt::Vertical);

    // The View entries carry a check mark while their pane is visible; a pane shown again gets
    // back the size the user gave it.
    for (auto [id, pane, orientation] : {std::tuple{cmd::ViewTree, m_treePane, Qt::Horizontal},
                                         std::tuple{cmd::ViewPrompt, m_promptPane, Qt::Vertical}}) {
        QAction *a = m_actions.value(id);
        a->setChecked(true);
        connect(a, &QAction::triggered, pane, [this, pane, orientation] {
            const bool horizontal = orientation == Qt::Horizontal;
            if (pane->isVisible()) {
                pane->setProperty("shownSize", horizontal ? pane->width() : pane->height());
                pane->hide();
            } else {
                pane->show();
                const QVariant size = pane->property("shownSize");
                if (size.isValid())
                    resizeDocks({pane}, {size.toInt()}, orientation);
            }
        });
        connect(pane, &QDockWidget::visibilityChanged, a, [a, pane] { a->setChecked(!pane->isHidden()); });
    }
}

void CMainFrame::updateCommandState()
{
    auto offer = [this](int id, bool enabled) { m_actions.value(id)->setEnabled(enabled); };
    // The Ethernet gateway is reached over the network, every other type over the serial port.
    const ModelProfile model = profileOf(m_view->store());
    offer(cmd::SerialConnection, model.serialConnection);
    offer(cmd::Monitor, model.monitorIoData);
    offer(cmd::EthernetConnection, model.ethernetConnection);
    offer(cmd::MappingAddress, mappingAddressEnabled(m_view->store(), m_view->conflictDetectionAllowed()));
    offer(cmd::ConflictDetection, conflictDetectionEnabled(m_view->store(), m_view->conflictDetectionAllowed()));
    const EnableFlags &f = m_view->treeEditor().flags();
    m_actions.value(cmd::AddNode)->setEnabled(f.addNode);
    m_actions.value(cmd::DeleteNode)->setEnabled(f.deleteNode);
    m_actions.value(cmd::AddCommand)->setEnabled(f.addCommand);
    m_actions.value(cmd::DeleteCommand)->setEnabled(f.deleteCommand);
    updateUndoCommands();
    updateTitle();
}

void CMainFrame::createUndoCommands()
{
    QAction *undo = makeAction(cmd::EditUndo, StrId::MenuEditUndo, StrId::PromptEditUndo, QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction *redo = makeAction(cmd::EditRedo, StrId::MenuEditRedo, StrId::PromptEditRedo);
    // Ctrl+Shift+Z is the usual redo key on Linux desktops.
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(undo, &QAction::triggered, m_view, &CModbusConfigView::undo);
    connect(redo, &QAction::triggered, m_view, &CModbusConfigView::redo);
    if (auto *edit = menuBar()->findChild<QMenu *>(QStringLiteral("menuEdit"))) {
        QAction *first = edit->actions().value(0);
        edit->insertAction(first, undo);
        edit->insertAction(first, redo);
        edit->insertSeparator(first);
    }
    QAction *addNode = m_actions.value(cmd::AddNode);
    for (QAction *a : {undo, redo}) {
        a->setIcon(toolbarIcon(a->data().toInt()));
        m_toolBar->insertAction(addNode, a);
    }
    m_toolBar->insertSeparator(addNode);
    // Every button is there now, the toolbar's overflow button included.
    auto *buttonStyle = new ToolButtonStyle(m_toolBar);
    for (QToolButton *button : m_toolBar->findChildren<QToolButton *>())
        button->setStyle(buttonStyle);
    updateUndoCommands();
}

void CMainFrame::updateUndoCommands()
{
    if (QAction *undo = m_actions.value(cmd::EditUndo))
        undo->setEnabled(m_view->canUndo());
    if (QAction *redo = m_actions.value(cmd::EditRedo))
        redo->setEnabled(m_view->canRedo());
}

void CMainFrame::createTreeKeys()
{
    // Keys of the tree only: Delete, Insert, Copy and Paste act on the selected item.
    auto key = [this](const QKeySequence &sequence, auto handler) {
        auto *a = new QAction(m_tree);
        a->setShortcut(sequence);
        a->setShortcutContext(Qt::WidgetShortcut);
        connect(a, &QAction::triggered, this, handler);
        m_tree->addAction(a);
    };
    key(QKeySequence(Qt::Key_Delete), [this] {
        const EnableFlags &f = m_view->treeEditor().flags();
        const ItemKind kind = CModbusConfigView::refOf(m_tree->currentItem()).kind;
        if (kind == ItemKind::Node && f.deleteNode)
            m_view->deleteNode();
        else if (kind == ItemKind::Command && f.deleteCommand)
            m_view->deleteCommand();
    });
    key(QKeySequence(Qt::Key_Insert), [this] {
        const EnableFlags &f = m_view->treeEditor().flags();
        const ItemKind kind = CModbusConfigView::refOf(m_tree->currentItem()).kind;
        if (kind == ItemKind::Subnet && f.addNode)
            m_view->addNode(false);
        else if (kind == ItemKind::Node && f.addCommand)
            m_view->addCommand(m_commandChooser);
    });
    key(QKeySequence::Copy, [this] {
        if (m_view->canCopySelected())
            m_view->copyNode();
    });
    key(QKeySequence::Paste, [this] {
        if (m_view->canPasteOnSelected())
            m_view->pasteNode();
    });
}

void CMainFrame::showTreeContextMenu(const QPoint &pos)
{
    if (!m_view->prepareContextMenu(pos))
        return;
    const EnableFlags &f = m_view->treeEditor().flags();
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("treeContextMenu"));
    auto add = [&menu](int id, StrId label, bool enabled) {
        QAction *a = menu.addAction(qtext(label));
        a->setObjectName(QStringLiteral("cmd%1").arg(id));
        a->setData(id);
        a->setEnabled(enabled);
        return a;
    };
    QAction *addNode = add(cmd::CtxAddNode, StrId::CtxAddNode, f.addNode);
    QAction *deleteNode = add(cmd::CtxDeleteNode, StrId::CtxDeleteNode, f.deleteNode);
    QAction *addCommand = add(cmd::CtxAddCommand, StrId::CtxAddCommand, f.addCommand);
    QAction *deleteCommand = add(cmd::CtxDeleteCommand, StrId::CtxDeleteCommand, f.deleteCommand);
    QAction *copyNode = add(cmd::CtxCopyNode, StrId::CtxCopyNode, m_view->canCopySelected());
    QAction *pasteNode = add(cmd::CtxPasteNode, StrId::CtxPasteNode, m_view->canPasteOnSelected());
    QAction *chosen = menu.exec(m_tree->viewport()->mapToGlobal(pos));
    if (chosen == addNode)
        m_view->addNode(true);
    else if (chosen == deleteNode)
        m_view->deleteNode();
    else if (chosen == addCommand)
        m_view->addCommand(m_commandChooser);
    else if (chosen == deleteCommand)
        m_view->deleteCommand();
    else if (chosen == copyNode)
        m_view->copyNode();
    else if (chosen == pasteNode)
        m_view->pasteNode();
}

void CMainFrame::rebuildRecentFiles()
{
    for (QAction *a : m_recentActions) {
        m_fileMenu->removeAction(a);
        a->deleteLater();
    }
    m_recentActions.clear();
    const auto &entries = m_doc->recentFiles().entries();
    m_recentPlaceholder->setVisible(entries.empty());
    int n = 1;
    for (const std::string &entry : entries) {
        const QString path = QString::fromStdString(entry);
        const QString shown = fontMetrics().elidedText(QDir::toNativeSeparators(path), Qt::ElideMiddle, 400);
        auto *a = new QAction(QStringLiteral("&%1 %2").arg(n++).arg(QString(shown).replace(QLatin1Char('&'), QStringLiteral("&&"))), this);
        a->setData(path);
        a->setStatusTip(path);
        connect(a, &QAction::triggered, this, [this, path] {
            if (mayDiscardChanges())
                openProject(path);
        });
        m_fileMenu->insertAction(m_recentSeparator, a);
        m_recentActions.append(a);
    }
}

bool CMainFrame::openProject(const QString &path)
{
    // A project whose values are in the other language opens only once the user has agreed to
    // their conversion; until then the open project stays as it is.
    std::optional<Language> valuesIn;
    if (const Result<std::string> bytes = ProjectDocument::readFile(QFileInfo(path).absoluteFilePath().toStdString())) {
        const std::optional<Language> language = projectFileLanguage(bytes.value());
        if (language && *language != currentLanguage()) {
            if (!askConvertLanguage(path, *language))
                return false;
            valuesIn = language;
        }
    }
    const Status opened = m_doc->open(path, valuesIn);
    if (!opened) {
        showError(QString::fromStdString(opened.message()));
        return false;
    }
    return true;
}

bool CMainFrame::askConvertLanguage(const QString &path, Language language)
{
    auto name = [](Language l) {
        return text(l == Language::English ? StrId::LanguageNameEnglish : StrId::LanguageNameChinese);
    };
    QMessageBox box(this);
    box.setObjectName(QStringLiteral("convertLanguageBox"));
    box.setWindowTitle(qtext(StrId::ConvertProjectTitle));
    box.setText(QString::fromStdString(formatText(StrId::MsgConvertProjectLanguage,
                                                  {QFileInfo(path).fileName().toStdString(), name(language),
                                                   name(currentLanguage()), name(currentLanguage())})));
    box.setIcon(QMessageBox::Question);
    QPushButton *yes = box.addButton(qtext(StrId::ButtonYes), QMessageBox::YesRole);
    QPushButton *no = box.addButton(qtext(StrId::ButtonNo), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

bool CMainFrame::startWithProject(const QString &path)
{
    if (!openProject(path))
        return false;
    m_view->refreshSerialPorts();
    return true;
}

void CMainFrame::onSerialConnection()
{
    SerialSettingsDialog dialog(m_view->serialSettings(), m_view->store().gatewayType, this);
    dialog.exec();
}

void CMainFrame::confirmSerialSettings()
{
    confirmSettingsOnFirstUse(m_view->serialSettings(), [this] { onSerialConnection(); });
}

Answer CMainFrame::askSaveConfiguration()
{
    QMessageBox box(this);
    box.setObjectName(QStringLiteral("saveConfigurationBox"));
    box.setWindowTitle(qtext(StrId::SaveConfigurationTitle));
    box.setText(qtext(StrId::SaveConfigurationQuestion));
    box.setIcon(QMessageBox::Question);
    QPushButton *yes = box.addButton(qtext(StrId::ButtonYes), QMessageBox::YesRole);
    QPushButton *no = box.addButton(qtext(StrId::ButtonNo), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(qtext(StrId::ButtonCancel), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return Answer::Yes;
    if (box.clickedButton() == no)
        return Answer::No;
    return Answer::Cancel;
}

bool CMainFrame::mayDiscardChanges()
{
    return confirmDiscardEdits(m_view->store(), [this] { return askSaveConfiguration(); },
                               [this] { return onFileSave(); });
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    if (!mayDiscardChanges()) {
        event->ignore();
        return;
    }
    if (std::exchange(m_recentFilesUnsaved, false))
        m_settings->saveRecentFiles(m_doc->recentFiles());
    m_settings->saveWindowState(saveState());
    event->accept();
}

void CMainFrame::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_firstFrameShown && windowHandle())
        windowHandle()->installEventFilter(this);
}

bool CMainFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_firstFrameShown && watched == windowHandle() && event->type() == QEvent::Expose &&
        windowHandle()->isExposed()) {
        // The expose paints and flushes the first frame before the event loop turns again.
        windowHandle()->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            m_firstFrameShown = true;
            if (std::exchange(m_recentFilesUnsaved, false))
                m_settings->saveRecentFiles(m_doc->recentFiles());
            m_view->allowPortScan();
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::onFileNew()
{
    if (mayDiscardChanges())
        m_doc->newDocument();
}

void CMainFrame::onNewProject()
{
    NewModelDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted && mayDiscardChanges())
        m_doc->newDocument(dialog.gatewayType(), dialog.modelFlags());
}

void CMainFrame::onFileOpen()
{
    if (!mayDiscardChanges())
        return;
    const QString name = askFileName(false);
    if (!name.isEmpty())
        openProject(name);
}

bool CMainFrame::onFileSave()
{
    if (m_doc->path().isEmpty())
        return onFileSaveAs();
    return saveTo(m_doc->path());
}

bool CMainFrame::onFileSaveAs()
{
    const QString name = askFileName(true);
    return !name.isEmpty() && saveTo(name);
}

bool CMainFrame::saveTo(const QString &path)
{
    const Status saved = m_doc->saveTo(path);
    if (!saved)
        showError(QString::fromStdString(saved.message()));
    return saved.ok();
}

// The file dialog beside the open document, for a file to write or an existing one to read.
// Empty when the user cancels.
QString CMainFrame::fileFromDialog(StrId title, StrId filter, const QString &suffix, bool save)
{
    QFileDialog dialog(this, qtext(title));
    dialog.setNameFilter(qtext(filter));
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!m_doc->path().isEmpty())
        dialog.setDirectory(QFileInfo(m_doc->path()).absolutePath());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        return dialog.selectedFiles().constFirst();
    return {};
}

QString CMainFrame::askFileName(bool save)
{
    QString name;
    if (m_fileNameProvider) {
        name = m_fileNameProvider(save);
    } else {
        name = fileFromDialog(save ? StrId::FileDialogSaveTitle : StrId::FileDialogOpenTitle, StrId::ProjectFileFilter,
                              QStringLiteral("tqv"), save);
    }
    if (save && !name.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".tqv");
    return name;
}

void CMainFrame::showError(const QString &message)
{
    QMessageBox::warning(this, qtext(StrId::AppTitle), message, QMessageBox::Ok);
}

void CMainFrame::onHelpContent()
{
    const QString dir = m_programDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_programDir;
    QString path = QDir(dir).filePath(kHelpFile);
    if (!QFileInfo::exists(path)) {
        // Without the compiled help the HTML manual of the window's language stands in.
        path = findManual(dir, currentLanguage());
        if (path.isEmpty()) {
            const QString manual = manualCandidates(dir, currentLanguage()).first();
            QMessageBox::information(this, qtext(StrId::AppTitle),
                                     QString::fromStdString(formatText(
                                         StrId::MsgHelpAndManualMissing,
                                         {QDir(dir).filePath(kHelpFile).toStdString(), manual.toStdString()})));
            return;
        }
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        QMessageBox::information(this, qtext(StrId::AppTitle),
                                 QString::fromStdString(formatText(StrId::MsgHelpOpenFailed, {path.toStdString()})));
}

void CMainFrame::onAbout()
{
    AboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::onMonitor()
{
    const ConfigStore &store = m_view->store();
    if (!monitorCommandEnabled(store))
        return;
    confirmSerialSettings();
    bool firmware5 = false;
    if (profileOf(store).asksMonitorFirmware) {
        QInputDialog ask(this);
        ask.setObjectName(QStringLiteral("selectFirmwareDialog"));
        ask.setWindowTitle(qtext(StrId::MonitorSelectFirmware));
        ask.setLabelText(qtext(StrId::MonitorSelectFirmware));
        ask.setComboBoxItems({qtext(StrId::MonitorFirmware5), qtext(StrId::MonitorFirmware4)});
        ask.setComboBoxEditable(false);
        if (ask.exec() != QDialog::Accepted)
            return;
        firmware5 = ask.textValue() == qtext(StrId::MonitorFirmware5);
    }
    const MonitorLine line = monitorLineFor(store, firmware5);
    if (line.kind == MonitorLinkKind::Udp) {
        if (!searchGateway())
            return;
        const EthernetEndpoints endpoints = endpointsFromEnvironment();
        CRecordMonitorDlg dialog(line, this);
        dialog.startUdp(m_view->session().targetAddress, endpoints.monitorPort, endpoints.localPort);
        dialog.exec();
        return;
    }
    // The demo's monitoring gateway sits on a pty of its own.
    SerialSettings monitorSettings = m_view->serialSettings();
    if (m_demo && !m_demo->monitorLink().isEmpty())
        monitorSettings.portIndex = portIndexForName(monitorSettings, m_demo->monitorLink().toStdString());
    const std::string port = portForTransfer(monitorSettings).value_or("");
    if (line.kind == MonitorLinkKind::Framed) {
        CFramedMonitorDlg dialog(line, framedModeFromProtocol(store.subnet(0).protocol), this);
        if (dialog.start(port))
            dialog.exec();
        return;
    }
    CRecordMonitorDlg dialog(line, this);
    if (dialog.startSerial(port))
        dialog.exec();
}

bool CMainFrame::startDemo(const QString &simulator)
{
    const ConfigStore &store = m_view->store();
    if (gatewayRouteOf(store) == GatewayRoute::Ethernet)
        DemoGateway::useLoopbackEndpoints();
    QString error;
    m_demo = DemoGateway::start(store, simulator, error);
    if (!m_demo) {
        showError(QString::fromStdString(formatText(StrId::MsgDemoFailed, {simulator.toStdString(), error.toStdString()})));
        return false;
    }
    SerialSettings &settings = m_view->serialSettings();
    if (!m_demo->configurationLink().isEmpty())
        settings.portIndex = portIndexForName(settings, m_demo->configurationLink().toStdString());
    // The port is chosen already: no settings dialog before the first transfer.
    settings.confirmed = true;
    auto *label = new QLabel(m_demo->description(), this);
    label->setObjectName(QStringLiteral("demoLabel"));
    statusBar()->addPermanentWidget(label);
    return true;
}

void CMainFrame::onExcelOutput()
{
    const ConfigStore &store = m_view->store();
    // Said before the file is chosen: otherwise the user would name a file that never comes.
    if (exportLayoutOf(store) == ExportLayout::None) {
        showError(QString::fromStdString(formatText(StrId::MsgExportNoLayout, {store.subnet(0).protocol})));
        return;
    }
    QString name;
    if (m_exportNameProvider) {
        name = m_exportNameProvider();
    } else {
        name = fileFromDialog(StrId::ExportDialogTitle, StrId::ExportFileFilter, QStringLiteral("xlsx"), true);
    }
    if (name.isEmpty())
        return;
    const std::string path = workbookFileName(name.toStdString());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Status written = exportWorkbook(store, path);
    QApplication::restoreOverrideCursor();
    if (!written) {
        showError(QString::fromStdString(written.message()));
        return;
    }
    statusBar()->showMessage(QString::fromStdString(formatText(StrId::CliWritten, {path})), 5000);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path))))
        QMessageBox::information(this, qtext(StrId::AppTitle),
                                 QString::fromStdString(formatText(StrId::MsgExportOpenFailed, {path})));
}

void CMainFrame::onImport()
{
    QString name;
    if (m_importNameProvider) {
        name = m_importNameProvider();
    } else {
        name = fileFromDialog(StrId::ImportFileTitle, StrId::ImportFileFilter, QString(), false);
    }
    if (name.isEmpty())
        return;
    // Read and checked in full before anything is shown; the open configuration is untouched
    // until Apply. The accepted rows are imported at once, so the list shows what Apply would do.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Result<ReadBook> book = readImportFile(name.toStdString());
    std::optional<Result<ImportOutcome>> imported;
    if (book)
        imported.emplace(importBook(book.value(), &m_view->store(), ImportOptions{true}));
    QApplication::restoreOverrideCursor();
    if (!book || !*imported) {
        showError(QString::fromStdString(book ? imported->message() : book.message()));
        return;
    }
    const ImportOutcome &outcome = imported->value();
    const ConfigStore &result = *outcome.store;
    std::vector<Difference> differences = compareConfigurations(m_view->store(), result, Carried::Everything);
    const QString fileName = QFileInfo(name).fileName();
    if (differences.empty() && outcome.refused.empty()) {
        QtPrompter(this).info(formatText(StrId::ImportNothingToChange, {fileName.toStdString()}));
        return;
    }
    const std::string changed = std::to_string(differences.size());
    ImportDialog dialog(fileName, std::move(differences), outcome.refused, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_view->applyEdit([&result](ConfigStore &store) {
        // The document's own marks stay with the document.
        const bool keep = store.keepConfigOnNew;
        const bool pending = store.uploadPending;
        store = result;
        store.keepConfigOnNew = keep;
        store.uploadPending = pending;
    });
    m_view->rebuildTree();
    const std::string file = fileName.toStdString();
    statusBar()->showMessage(QString::fromStdString(
        outcome.refused.empty()
            ? formatText(StrId::ImportSummary, {file, changed})
            : formatText(StrId::ImportSummaryPartial, {file, changed, std::to_string(outcome.refused.size())})));
    updateCommandState();
}

void CMainFrame::onEthernetConnection()
{
    CEthernetConfigDlg dialog(m_view->session(), this);
    dialog.exec();
}

bool CMainFrame::searchGateway()
{
    CSearchDeviceDlg search(m_view->session(), endpointsFromEnvironment(), this);
    return search.exec() == QDialog::Accepted;
}

bool CMainFrame::reachGateway()
{
    // The network gateway is chosen in the device search; the serial port is asked for once.
    if (gatewayRouteOf(m_view->store()) == GatewayRoute::Ethernet)
        return searchGateway();
    confirmSerialSettings();
    return true;
}

namespace {

// What every transfer dialog reads from the view.
TransferDialog::Hooks transferHooks(CModbusConfigView *view)
{
    TransferDialog::Hooks hooks;
    hooks.configuration = [view]() -> ConfigStore & { return view->store(); };
    hooks.incompleteMark = [view] { return view->session().incompleteInformation; };
    hooks.remoteConfigAllowed = [view] { return view->session().remoteConfigAllowed; };
    hooks.targetAddress = view->session().targetAddress;
    hooks.targetPort = endpointsFromEnvironment().gatewayPort;
    return hooks;
}

} // namespace

void CMainFrame::onUpload()
{
    if (!reachGateway())
        return;
    TransferDialog::Hooks hooks = transferHooks(m_view);
    hooks.mayReplaceDocument = [this] { return mayDiscardChanges(); };
    const Carried carried = carriedBy(gatewayRouteOf(m_view->store()));
    hooks.uploaded = [this, carried](const GatewayRead &read) {
        if (carried == Carried::Ethernet) {
            // The network read replaces the configuration in place; it no longer matches its file.
            m_view->store() = read.configuration;
            m_view->storeReplaced(uploadSummary(read.configuration));
        } else {
            // The serial upload becomes a new, untitled, unmodified document.
            const Place kept = m_view->place();
            ConfigStore &store = m_view->store();
            store = read.configuration;
            store.uploadPending = true;
            m_doc->newDocument(&kept);
            statusBar()->showMessage(uploadSummary(read.configuration));
        }
        updateCommandState();
    };
    TransferDialog dialog(TransferDialog::Kind::Upload, std::move(hooks), this);
    if (dialog.openSession(m_view->serialSettings()))
        dialog.exec();
}

void CMainFrame::onDownload()
{
    if (!reachGateway())
        return;
    TransferDialog dialog(TransferDialog::Kind::Download, transferHooks(m_view), this);
    if (dialog.openSession(m_view->serialSettings()))
        dialog.exec();
}

void CMainFrame::onConflictDetection()
{
    ConflictDialog dialog(m_view->store(), this);
    dialog.exec();
}

void CMainFrame::addCompareWithGateway(QMenu *tools)
{
    QAction *compare = makeAction(cmd::CompareWithGateway, StrId::CompareMenu, StrId::ComparePrompt);
    connect(compare, &QAction::triggered, this, &CMainFrame::onCompareWithGateway);
    tools->addAction(compare);
}

void CMainFrame::onCompareWithGateway()
{
    if (!reachGateway())
        return;
    // The upload dialog reads into a configuration of its own; the document stays as it is.
    std::optional<GatewayRead> gateway;
    TransferDialog::Hooks hooks = transferHooks(m_view);
    TransferDialog upload(TransferDialog::Kind::Upload, std::move(hooks), this);
    upload.setWindowTitle(qtext(StrId::CompareTitle));
    // Set after the dialog exists: the hook closes it.
    upload.setUploadedHook([&](const GatewayRead &read) {
        gateway = read;
        QTimer::singleShot(0, &upload, &QDialog::accept);
    });
    if (upload.openSession(m_view->serialSettings()))
        upload.exec();
    if (!gateway)
        return;
    const Carried carried = carriedBy(upload.route());
    // A read that stopped short proves nothing: it is never shown as a match.
    const Verification verification = verificationOf(m_view->store(), *gateway, carried);
    if (verification.verdict == Verification::Verdict::NotVerified) {
        QtPrompter(this).info(verification.summary());
        return;
    }
    resolveDifferences(gateway->configuration, carried, gateway->firmware);
}

void CMainFrame::resolveDifferences(const ConfigStore &gateway, Carried carried, int firmware)
{
    if (compareConfigurations(m_view->store(), gateway, carried, firmware).empty()) {
        QtPrompter(this).info(text(StrId::VerifyEqual));
        return;
    }
    DifferencesDialog::Resolver resolver;
    resolver.compare = [this, &gateway, carried, firmware] {
        return compareConfigurations(m_view->store(), gateway, carried, firmware);
    };
    // Each take is an edit of its own that Undo takes back.
    int took = 0;
    resolver.take = [this, &gateway, &took](const Difference &d) {
        if (m_view->applyEdit([&gateway, &d](ConfigStore &store) { takeDifference(store, gateway, d); }))
            ++took;
    };
    DifferencesDialog dialog(std::move(resolver), this);
    dialog.exec();
    m_view->rebuildTree();
    statusBar()->showMessage(took > 0 ? QString::fromStdString(formatText(StrId::SessionSummaryTook, {std::to_string(took)}))
                                      : qtext(StrId::SessionSummaryTookNone));
    updateCommandState();
}

QString CMainFrame::uploadSummary(const ConfigStore &store)
{
    const ConfigCounts counts = countsOf(store);
    return QString::fromStdString(
        formatText(StrId::SessionSummaryUploaded, {std::to_string(counts.subnets), std::to_string(counts.commands)}));
}

void CMainFrame::updateTitle()
{
    if (!m_doc)
        return;
    const QString path = m_doc->path();
    setWindowFilePath(path);
    // The marker placeholder is in the untitled title too, so a modified new document shows it.
    setWindowTitle(path.isEmpty() ? qtext(StrId::AppTitle) + QStringLiteral("[*]")
                                  : QFileInfo(path).fileName() + QStringLiteral("[*] \u2014 ") + qtext(StrId::AppTitle));
    setWindowModified(m_view->store().configModified);
}

} // namespace tqv
