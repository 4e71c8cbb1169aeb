#include "CModbusConfigView.h"

#include "QtText.h"
#include "ToolbarIcons.h"
#include "editor/ConfigTree.h"
#include "editor/GridLayout.h"
#include "io/QtSerialPorts.h"
#include "mapping/MappingPass.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>

namespace tqv {

namespace {

constexpr int kGridRows = kGridRowCount;
const QColor kWhite(255, 255, 255);
const QColor kGrey(200, 200, 200);

QTreeWidgetItem *makeItem(const TreeItem &desc)
{
    auto *item = new QTreeWidgetItem(QStringList{QString::fromStdString(desc.label)});
    item->setData(0, Qt::UserRole, desc.data);
    item->setToolTip(0, QString::fromStdString(desc.label)); // the pane may be narrower than the name
    item->setIcon(0, treeImage(desc.image));
    for (const TreeItem &child : desc.children)
        item->addChild(makeItem(child));
    return item;
}

} // namespace

// One user action as one undo step. An action that starts inside another (an edit box that commits
// when a question of the outer action takes the focus) is a step of its own, and so are the outer
// action's changes before and after it.
class CModbusConfigView::EditStep {
public:
    explicit EditStep(CModbusConfigView &view) : m_view(view)
    {
        if (m_view.m_editDepth++ > 0)
            m_view.closeStep();
        m_view.m_history.begin(*m_view.m_store, m_view.currentMarks());
    }
    ~EditStep()
    {
        m_view.closeStep();
        if (--m_view.m_editDepth > 0)
            m_view.m_history.begin(*m_view.m_store, m_view.currentMarks());
    }
    EditStep(const EditStep &) = delete;
    EditStep &operator=(const EditStep &) = delete;

private:
    CModbusConfigView &m_view;
};

CModbusConfigView::CModbusConfigView(QTreeWidget *tree, QWidget *parent)
    : QWidget(parent), m_store(std::make_unique<ConfigStore>()), m_prompter(this), m_tree(tree),
      m_grid(new QTableWidget(kGridRows, 2, this)), m_list(new QComboBox(m_grid->viewport())),
      m_edit(new QLineEdit(m_grid->viewport()))
{
    setObjectName(QStringLiteral("CModbusConfigView"));
    m_grid->setObjectName(QStringLiteral("propertyGrid"));
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    // Clicking the grid takes the focus, so an open edit box loses it and commits first; Tab
    // reaches it from the tree, arrows move between rows, F2, Return or Space open the editor.
    m_grid->setFocusPolicy(Qt::StrongFocus);
    m_grid->installEventFilter(this);
    m_grid->setWordWrap(false);
    // Darker than the grey of read-only cells, so their lines stay visible.
    m_grid->setStyleSheet(QStringLiteral("QTableView { gridline-color: rgb(128, 128, 128); }"));
    m_list->setObjectName(QStringLiteral("inPlaceList"));
    m_list->setEditable(false);
    m_list->setMaxVisibleItems(12);
    m_list->hide();
    // A list closed without a pick (Escape, a click elsewhere) goes, so the cell shows the stored
    // value again rather than the list's first entry. A pick still arrives after the popup hid.
    m_list->view()->parentWidget()->installEventFilter(this);
    m_edit->setObjectName(QStringLiteral("inPlaceEdit"));
    m_edit->hide();
    connect(m_grid, &QTableWidget::cellClicked, this, &CModbusConfigView::onCellClicked);
    connect(m_list, qOverload<int>(&QComboBox::activated), this, &CModbusConfigView::commitListPick);
    connect(m_edit, &QLineEdit::editingFinished, this, &CModbusConfigView::commitEditBox);
    m_edit->installEventFilter(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { onCurrentItemChanged(current); });
    // A click on the item already selected refreshes the grid as well.
    connect(m_tree, &QTreeWidget::itemClicked, this, [this] { showItem(); });
    m_store->newConfiguration();
}

CModbusConfigView::~CModbusConfigView() = default;

void CModbusConfigView::refreshSerialPorts()
{
    m_portsDueType = m_store->gatewayType;
    ++m_portsDue;
    settlePorts(false);
}

void CModbusConfigView::allowPortScan()
{
    m_portScanAllowed = true;
    settlePorts(false);
}

SerialSettings &CModbusConfigView::serialSettings()
{
    settlePorts(true);
    return m_serial;
}

void CModbusConfigView::settlePorts(bool wait)
{
    const QtSerialPortScan::Source source = m_portSource ? m_portSource : QtSerialPortScan::Source(systemSerialPorts);
    if (m_portScan.running() && (wait || m_portScan.finished())) {
        const bool current = m_portsScanned == m_portsDue;
        std::vector<std::string> ports = m_portScan.take();
        if (m_portsDueType && current) {
            rebuildPortList(m_serial, ports, *m_portsDueType);
            m_portsDueType.reset();
        }
    }
    if (!m_portsDueType)
        return;
    if (wait) {
        rebuildPortList(m_serial, source(), *m_portsDueType);
        m_portsDueType.reset();
    } else if (m_portScanAllowed && !m_portScan.running()) {
        m_portsScanned = m_portsDue;
        m_portScan.start(source, this, [this] { settlePorts(false); });
    }
}

void CModbusConfigView::initialUpdate()
{
    m_editor.reset();
    clearRightClicked();
    m_conflictDetection = true;
    m_gridReady = false;
    m_shown = {};
    rebuildTree();
    hideEditors();
    fillGrid(GridRows{});
    startFreshHistory();
}

void CModbusConfigView::rebuildTree()
{
    clearRightClicked();
    m_editedItem = nullptr;
    m_tree->setUpdatesEnabled(false);
    const QSignalBlocker block(m_tree);
    m_tree->clear();
    for (const TreeItem &top : buildFromStore(*m_store))
        m_tree->addTopLevelItem(makeItem(top));
    m_tree->setCurrentItem(nullptr);
    m_tree->setUpdatesEnabled(true);
    onCurrentItemChanged(nullptr);
}

ItemRef CModbusConfigView::identify(const QTreeWidgetItem *item)
{
    if (!item)
        return {};
    std::string parent, grandparent;
    const QTreeWidgetItem *p = item->parent();
    if (p)
        parent = p->text(0).toStdString();
    const QTreeWidgetItem *g = p ? p->parent() : nullptr;
    if (g)
        grandparent = g->text(0).toStdString();
    return identifyItem(item->text(0).toStdString(), p ? &parent : nullptr, g ? &grandparent : nullptr,
                        item->data(0, Qt::UserRole).toInt());
}

void CModbusConfigView::onCurrentItemChanged(QTreeWidgetItem *current)
{
    if (current) {
        showItem();
        return;
    }
    hideEditors();
    m_editor.selectionChanged(*m_store, ItemRef{});
    emit commandStateChanged();
}

void CModbusConfigView::showItem()
{
    hideEditors();
    QTreeWidgetItem *current = m_tree->currentItem();
    m_shown = identify(current);
    emit promptChanged(QString());
    m_editor.selectionChanged(*m_store, m_shown);
    if (m_shown.kind == ItemKind::Command)
        refreshCommandForDisplay(*m_store, m_shown);
    m_pulseEditable = pulseEditableFor(*m_store, m_shown);
    fillGrid(gridRows(*m_store, m_shown));
    if (m_grid->currentRow() < 0)
        m_grid->setCurrentCell(0, 1);
    m_gridReady = true;
    emit statusMessage(QString());
    emit commandStateChanged();
}

void CModbusConfigView::fillGrid(const GridRows &rows)
{
    m_grid->setUpdatesEnabled(false);
    for (int r = 0; r < kGridRows; ++r) {
        const GridRow &row = rows[static_cast<std::size_t>(r)];
        auto *label = new QTableWidgetItem(QString::fromStdString(row.label));
        auto *value = new QTableWidgetItem(QString::fromStdString(row.value));
        value->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        value->setBackground(row.grey ? kGrey : kWhite);
        m_grid->setItem(r, 0, label);
        m_grid->setItem(r, 1, value);
    }
    m_grid->setUpdatesEnabled(true);
}

void CModbusConfigView::hideEditors()
{
    m_list->hide();
    m_edit->hide();
}

QRect CModbusConfigView::editorRect(int row, int column) const
{
    // Over the value cell, one pixel in from its left edge and 14 pixels narrower than it.
    const QRect cell = m_grid->visualRect(m_grid->model()->index(row, column));
    return QRect(cell.left() + 1, cell.top(), cell.width() - 14, cell.height());
}

void CModbusConfigView::onCellClicked(int row, int column)
{
    if (!m_gridReady)
        return;
    m_editedItem = m_tree->currentItem();
    m_shown = identify(m_editedItem);
    m_clickedRow = row;
    emit statusMessage(QString());
    const CellInfo cell = describeCell(*m_store, m_shown, row, m_pulseEditable);
    if (cell.prompt.action == PromptAction::Set)
        emit promptChanged(qtext(cell.prompt.text));
    else if (cell.prompt.action == PromptAction::Empty)
        emit promptChanged(QString());
    if (column == 0 || cell.editor == EditorKind::None)
        return;
    const QRect rect = editorRect(row, column);
    m_list->clear();
    if (cell.editor == EditorKind::List) {
        m_edit->hide();
        for (const std::string &c : cell.choices)
            m_list->addItem(QString::fromStdString(c));
        m_list->setGeometry(rect);
        m_list->setCurrentIndex(0);
        m_list->show();
        m_list->setFocus();
        m_list->showPopup();
    } else if (m_edit->isHidden()) {
        m_list->hide(); // at most one editor is visible
        m_edit->setGeometry(rect);
        m_edit->setText(m_grid->item(row, column)->text());
        m_edit->show();
        m_edit->setFocus();
        m_edit->selectAll();
    }
}

bool CModbusConfigView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->view()->parentWidget() && event->type() == QEvent::Hide) {
        const QWidget *focus = QApplication::focusWidget();
        const bool hadFocus = focus == m_list || focus == m_list->view();
        m_list->hide();
        if (hadFocus)
            m_grid->setFocus();
        return false;
    }
    // Ctrl+Y in the edit box redoes its typing, as Ctrl+Z undoes it there, also under desktops
    // whose key bindings know only Ctrl+Shift+Z; the window's Redo waits until the box is closed.
    if (watched == m_edit && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Y && key->modifiers() == Qt::ControlModifier) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                m_edit->redo();
            return true;
        }
    }
    // Return commits the edit box and gives the grid the keys back; the key goes no further, so
    // it cannot reopen the editor it just closed.
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            commitEditBox();
            m_grid->setFocus();
            return true;
        }
    }
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_F2 || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            if (m_grid->currentRow() >= 0)
                onCellClicked(m_grid->currentRow(), 1);
            return true;
        }
    }
    // Escape leaves the edit box without committing what was typed.
    if (watched == m_edit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        m_edit->hide();
        m_grid->setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CModbusConfigView::commitEditBox()
{
    if (m_committing || m_edit->isHidden())
        return;
    const QScopedValueRollback<bool> guard(m_committing, true);
    const std::string typed = m_edit->text().toStdString();
    // Hidden first: a message box of the rules must not start a second commit.
    m_edit->hide();
    if (!m_editedItem)
        return;
    const EditStep step(*this);
    const bool stillSelected = m_editedItem == m_tree->currentItem();
    const CommitResult result = commitEditText(*m_store, CommitTarget{m_shown, m_clickedRow}, typed, stillSelected,
                                               m_pulseEditable, m_prompter);
    applyCommit(result, stillSelected);
}

void CModbusConfigView::commitListPick(int index)
{
    if (m_committing || index < 0)
        return;
    const QScopedValueRollback<bool> guard(m_committing, true);
    const std::string picked = m_list->itemText(index).toStdString();
    m_list->hide();
    if (!m_editedItem)
        return;
    const EditStep step(*this);
    const bool stillSelected = m_editedItem == m_tree->currentItem();
    const CommitResult result = tqv::commitListPick(*m_store, CommitTarget{m_shown, m_clickedRow}, picked, stillSelected);
    applyCommit(result, stillSelected);
}

void CModbusConfigView::applyCommit(const CommitResult &result, bool stillSelected)
{
    if (result.renamedNode && m_editedItem)
        m_editedItem->setText(0, QString::fromStdString(*result.renamedNode));
    if (result.pulseEditable)
        m_pulseEditable = *result.pulseEditable;
    if (result.mappingCommandsEnabled)
        m_conflictDetection = *result.mappingCommandsEnabled;
    if (result.refusal)
        emit statusMessage(QString::fromStdString(*result.refusal));
    if (result.protocolChanged) {
        relistSubnet(m_shown.subnet, result.listNodesAgain);
        if (result.rows)
            fillGrid(*result.rows);
        // A subnet that became a Modbus master takes nodes again at once.
        if (result.listNodesAgain && stillSelected)
            m_editor.selectionChanged(*m_store, m_shown);
        EnableFlags flags = m_editor.flags();
        if (result.disableTreeCommands)
            flags = {};
        if (result.disableAddNode)
            flags.addNode = false;
        m_editor.setFlags(flags);
    }
    if (stillSelected) {
        if (result.cellText && m_clickedRow >= 0)
            m_grid->item(m_clickedRow, 1)->setText(QString::fromStdString(*result.cellText));
        for (const RowUpdate &u : result.rowUpdates) {
            if (u.label)
                m_grid->item(u.row, 0)->setText(QString::fromStdString(*u.label));
            if (u.value)
                m_grid->item(u.row, 1)->setText(QString::fromStdString(*u.value));
            if (u.grey)
                m_grid->item(u.row, 1)->setBackground(*u.grey ? kGrey : kWhite);
        }
    }
    emit commandStateChanged();
}

void CModbusConfigView::relistSubnet(int subnet, bool withNodes)
{
    QTreeWidgetItem *item = subnetItem(subnet);
    if (!item)
        return;
    if (m_rightClicked && (m_rightClicked->parent() == item || (m_rightClicked->parent() && m_rightClicked->parent()->parent() == item)))
        clearRightClicked();
    for (QTreeWidgetItem *child : item->takeChildren())
        delete child;
    if (!withNodes)
        return;
    const TreeDescription tree = buildFromStore(*m_store);
    const int index = topLevelIndexOfSubnet(*m_store, subnet);
    if (index < 0 || index >= static_cast<int>(tree.size()))
        return;
    for (const TreeItem &node : tree[static_cast<std::size_t>(index)].children)
        item->addChild(makeItem(node));
}

void CModbusConfigView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    hideEditors();
    m_edit->clear();
    m_list->clear();
}

QTreeWidgetItem *CModbusConfigView::subnetItem(int subnet) const
{
    const int index = topLevelIndexOfSubnet(*m_store, subnet);
    return index >= 0 ? m_tree->topLevelItem(index) : nullptr;
}

QTreeWidgetItem *CModbusConfigView::contextTarget() const
{
    return m_rightClicked ? m_rightClicked : m_tree->currentItem();
}

void CModbusConfigView::clearRightClicked() { m_rightClicked = nullptr; }

bool CModbusConfigView::prepareContextMenu(const QPoint &viewportPos)
{
    QTreeWidgetItem *item = m_tree->itemAt(viewportPos);
    if (item)
        m_tree->setCurrentItem(item);
    m_rightClicked = item;
    const bool show = m_editor.contextMenuRequested(*m_store, identify(item));
    emit commandStateChanged();
    return show;
}

void CModbusConfigView::addNode(bool fromContextMenu)
{
    const EditStep step(*this);
    QTreeWidgetItem *selected = m_tree->currentItem();
    const ItemRef ref = identify(selected);
    clearRightClicked();
    const int number = m_editor.addNode(*m_store, ref, m_prompter, fromContextMenu);
    if (number > 0) {
        if (QTreeWidgetItem *parent = subnetItem(ref.subnet)) {
            parent->addChild(makeItem(TreeItem{m_store->node(ref.subnet, number).name, number, 0, {}}));
            selected->setExpanded(true);
        }
    }
    emit commandStateChanged();
}

void CModbusConfigView::addCommand(const std::function<int()> &choose)
{
    const int index = choose();
    QTreeWidgetItem *target = contextTarget();
    clearRightClicked();
    if (index < 0)
        return;
    const EditStep step(*this);
    const ItemRef ref = identify(target);
    const int position = m_editor.addCommand(*m_store, ref, index, m_prompter);
    if (position > 0) {
        const COMMAND &c = m_store->command(ref.subnet, position);
        target->addChild(makeItem(TreeItem{functionName(c.functionCode), position, kCommandImage, {}}));
        target->setExpanded(true);
    }
    emit commandStateChanged();
}

void CModbusConfigView::deleteNode()
{
    const EditStep step(*this);
    clearRightClicked();
    QTreeWidgetItem *current = m_tree->currentItem();
    const ItemRef deleted = identify(current);
    // The node below takes the deleted one's number; without one the node above, else the subnet.
    ItemRef next{ItemKind::Subnet, deleted.subnet, 0};
    if (current && current->parent()) {
        QTreeWidgetItem *parent = current->parent();
        const int row = parent->indexOfChild(current);
        if (row + 1 < parent->childCount())
            next = ItemRef{ItemKind::Node, deleted.subnet, deleted.number};
        else if (row > 0)
            next = identify(parent->child(row - 1));
    }
    if (!m_editor.deleteNode(*m_store, deleted))
        return;
    std::vector<ItemRef> expanded = expandedItems();
    for (ItemRef &ref : expanded) {
        if (ref.kind == ItemKind::Node && ref.subnet == deleted.subnet && ref.number == deleted.number)
            ref = {};
        else if (ref.kind == ItemKind::Node && ref.subnet == deleted.subnet && ref.number > deleted.number)
            --ref.number;
    }
    refillTree(expanded, next);
}

void CModbusConfigView::deleteCommand()
{
    const EditStep step(*this);
    QTreeWidgetItem *target = contextTarget();
    clearRightClicked();
    const ItemRef deleted = identify(target);
    // The command below in the same node, else the one above, else the node itself.
    ItemRef next = identify(target ? target->parent() : nullptr);
    if (target && target->parent()) {
        QTreeWidgetItem *node = target->parent();
        const int row = node->indexOfChild(target);
        if (row + 1 < node->childCount())
            next = identify(node->child(row + 1));
        else if (row > 0)
            next = identify(node->child(row - 1));
    }
    if (!m_editor.deleteCommand(*m_store, deleted))
        return;
    if (next.kind == ItemKind::Command && next.number > deleted.number)
        --next.number; // the commands behind the deleted one move up by one
    refillTree(expandedItems(), next);
}

std::vector<ItemRef> CModbusConfigView::expandedItems() const
{
    std::vector<ItemRef> expanded;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if ((*it)->isExpanded())
            expanded.push_back(identify(*it));
    return expanded;
}

void CModbusConfigView::refillTree(const std::vector<ItemRef> &expanded, const ItemRef &select)
{
    rebuildTree();
    QTreeWidgetItem *selected = nullptr;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        const ItemRef ref = identify(*it);
        if (std::find(expanded.begin(), expanded.end(), ref) != expanded.end())
            (*it)->setExpanded(true);
        if (ref == select && select.kind != ItemKind::None)
            selected = *it;
    }
    if (selected)
        m_tree->setCurrentItem(selected); // fills the grid for it
    emit commandStateChanged();
}

bool CModbusConfigView::canCopySelected() const
{
    const QTreeWidgetItem *item = m_tree->currentItem();
    return item && TreeEditor::canCopyNode(identify(item), item->text(0).toStdString());
}

bool CModbusConfigView::canPasteOnSelected() const { return m_editor.canPasteNode(identify(m_tree->currentItem())); }

void CModbusConfigView::copyNode()
{
    clearRightClicked();
    const QTreeWidgetItem *item = m_tree->currentItem();
    if (item)
        m_editor.copyNode(identify(item), item->text(0).toStdString());
}

void CModbusConfigView::pasteNode()
{
    const EditStep step(*this);
    clearRightClicked();
    const ItemRef target = identify(m_tree->currentItem());
    const int pasted = m_editor.pasteNode(*m_store, target, m_prompter);
    if (pasted == 0) {
        emit commandStateChanged();
        return;
    }
    refillTree(expandedItems(), ItemRef{ItemKind::Node, target.subnet, pasted});
}

void CModbusConfigView::mappingAddress()
{
    const EditStep step(*this);
    clearRightClicked();
    // An open edit box commits when the question takes the focus, before the pass reads the store.
    if (!runMappingAddressCommand(*m_store, m_prompter, m_session))
        return;
    rebuildTree();
    m_shown = {};
    m_clickedRow = -1;
    m_gridReady = false;
    fillGrid(GridRows{});
    emit promptChanged(QString());
    emit commandStateChanged();
}

// ---- undo and redo --------------------------------------------------------------------------------

EditorMarks CModbusConfigView::currentMarks() const { return EditorMarks{m_conflictDetection, m_session.incompleteInformation}; }

void CModbusConfigView::applyEdit(const std::function<void(ConfigStore &)> &edit)
{
    const EditStep step(*this);
    edit(*m_store);
}

void CModbusConfigView::closeStep()
{
    if (!m_history.commit(*m_store, currentMarks()))
        return;
    m_store->configModified = true;
    emit commandStateChanged();
}

void CModbusConfigView::startFreshHistory()
{
    m_history.reset(!m_store->configModified);
    emit commandStateChanged();
}

void CModbusConfigView::undo() { stepHistory(true); }

void CModbusConfigView::redo() { stepHistory(false); }

void CModbusConfigView::stepHistory(bool back)
{
    if (m_committing || m_editDepth > 0)
        return;
    // Typed but not yet committed: committed first, as when the edit box loses the focus.
    commitEditBox();
    // The selection, else the node or subnet it belonged to.
    std::vector<ItemRef> keep;
    for (const QTreeWidgetItem *item = m_tree->currentItem(); item; item = item->parent())
        keep.push_back(identify(item));
    const std::vector<ItemRef> expanded = expandedItems();
    EditorMarks marks = currentMarks();
    if (!(back ? m_history.undo(*m_store, marks) : m_history.redo(*m_store, marks))) {
        emit commandStateChanged();
        return;
    }
    m_conflictDetection = marks.mappingCommands;
    m_session.incompleteInformation = marks.incompleteInformation;
    m_store->configModified = m_history.modified();

    hideEditors();
    m_shown = {};
    m_clickedRow = -1;
    m_gridReady = false;
    fillGrid(GridRows{});
    emit promptChanged(QString());
    refillTree(expanded, keep.empty() ? ItemRef{} : keep.front());
    for (std::size_t i = 1; !m_tree->currentItem() && i < keep.size(); ++i) {
        for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
            if (identify(*it) == keep[i]) {
                m_tree->setCurrentItem(*it);
                break;
            }
        }
    }
    emit commandStateChanged();
}

} // namespace tqv
