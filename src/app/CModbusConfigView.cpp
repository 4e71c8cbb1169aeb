#include "CModbusConfigView.h"

#include "QtText.h"
#include "ToolbarIcons.h"
#include "editor/ConfigTree.h"
#include "editor/GridLayout.h"
#include "io/QtSerialPorts.h"
#include "resources/Strings.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QHeaderView>
#include <QLineEdit>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTableWidget>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>

namespace tqv {

namespace {

constexpr int kGridRows = kGridRowCount;
// Where a tree item keeps its reference: the number in Qt::UserRole, the kind and the subnet beside.
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kSubnetRole = Qt::UserRole + 2;
const QColor kWhite(255, 255, 255);
const QColor kGrey(200, 200, 200);

// An item of the configuration tree. Its reference and image are members, answered as item data,
// and its tooltip is its label (the pane may be narrower than the name): a large tree is built
// without storing five values in every item.
class ConfigTreeItem final : public QTreeWidgetItem {
public:
    explicit ConfigTreeItem(const TreeItem &desc)
        : QTreeWidgetItem(QStringList{QString::fromStdString(desc.label)}), m_number(desc.data),
          m_kind(static_cast<int>(desc.ref.kind)), m_subnet(desc.ref.subnet), m_image(desc.image)
    {
    }

    QVariant data(int column, int role) const override
    {
        if (column == 0) {
            switch (role) {
            case Qt::UserRole: return m_number;
            case kKindRole: return m_kind;
            case kSubnetRole: return m_subnet;
            case Qt::DecorationRole: return treeImage(m_image);
            case Qt::ToolTipRole: return QTreeWidgetItem::data(0, Qt::DisplayRole);
            default: break;
            }
        }
        return QTreeWidgetItem::data(column, role);
    }
    void setData(int column, int role, const QVariant &value) override
    {
        if (column == 0 && (role == Qt::UserRole || role == kKindRole || role == kSubnetRole)) {
            (role == Qt::UserRole ? m_number : role == kKindRole ? m_kind : m_subnet) = value.toInt();
            return;
        }
        QTreeWidgetItem::setData(column, role, value);
    }

private:
    int m_number;
    int m_kind;
    int m_subnet;
    int m_image;
};

QTreeWidgetItem *makeItem(const TreeItem &desc)
{
    auto *item = new ConfigTreeItem(desc);
    for (const TreeItem &child : desc.children)
        item->addChild(makeItem(child));
    return item;
}

// The grid's lines, darker than the grey of read-only cells so that their lines stay visible. A
// style of the grid's own rather than a style sheet, which would put the grid and every widget in
// it through the style sheet machinery before the window's first frame.
class GridLineStyle final : public QProxyStyle {
public:
    explicit GridLineStyle(QObject *owner) : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
    {
        setParent(owner);
    }
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_Table_GridLineColor)
            return static_cast<int>(QColor(128, 128, 128).rgba());
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

CModbusConfigView::CModbusConfigView(QTreeWidget *tree, QWidget *parent)
    : QWidget(parent), m_prompter(this), m_tree(tree),
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
    // Tab leaves for the tree rather than walking the cells.
    m_grid->setTabKeyNavigation(false);
    m_grid->installEventFilter(this);
    m_grid->setWordWrap(false);
    m_grid->setStyle(new GridLineStyle(m_grid));
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
    // The prompt follows the row the arrow keys move to.
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (m_gridReady && row >= 0 && m_grid->hasFocus())
            showPrompt(row);
    });
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
}

CModbusConfigView::~CModbusConfigView() = default;

void CModbusConfigView::refreshSerialPorts()
{
    m_portsDueType = store().gatewayType;
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

void CModbusConfigView::initialUpdate(const Place *keep)
{
    m_session.startFresh();
    clearRightClicked();
    m_gridReady = false;
    m_shown = {};
    hideEditors();
    clearGrid();
    if (keep)
        showPlace(*keep);
    else
        refillTree();
    emit commandStateChanged();
}

void CModbusConfigView::rebuildTree() { showPlace(place()); }

void CModbusConfigView::storeReplaced(const QString &summary)
{
    const Place kept = place();
    m_session.startFresh();
    clearRightClicked();
    showPlace(kept);
    emit statusMessage(summary);
    emit commandStateChanged();
}

void CModbusConfigView::refillTree()
{
    clearRightClicked();
    m_editedItem = {};
    m_tree->setUpdatesEnabled(false);
    const QSignalBlocker block(m_tree);
    m_tree->clear();
    m_shownTree = buildFromStore(store());
    QList<QTreeWidgetItem *> items;
    for (const TreeItem &top : m_shownTree)
        items.append(makeItem(top));
    m_tree->addTopLevelItems(items);
    m_tree->setCurrentItem(nullptr);
    m_tree->setUpdatesEnabled(true);
    onCurrentItemChanged(nullptr);
}

ItemRef CModbusConfigView::refOf(const QTreeWidgetItem *item)
{
    if (!item)
        return {};
    const auto kind = static_cast<ItemKind>(item->data(0, kKindRole).toInt());
    if (kind == ItemKind::None)
        return {};
    return ItemRef{kind, item->data(0, kSubnetRole).toInt(), item->data(0, Qt::UserRole).toInt()};
}

QTreeWidgetItem *CModbusConfigView::itemOf(const ItemRef &ref) const
{
    if (ref.kind == ItemKind::Fieldbus) {
        for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
            if (refOf(m_tree->topLevelItem(i)) == ref)
                return m_tree->topLevelItem(i);
        return nullptr;
    }
    QTreeWidgetItem *subnet = ref.kind == ItemKind::None ? nullptr : subnetItem(ref.subnet);
    if (!subnet || ref.kind == ItemKind::Subnet)
        return subnet;
    // Nodes are listed by number, so the node's own row is tried first.
    if (ref.kind == ItemKind::Node) {
        if (ref.number >= 1 && ref.number <= subnet->childCount() && refOf(subnet->child(ref.number - 1)) == ref)
            return subnet->child(ref.number - 1);
        for (int i = 0; i < subnet->childCount(); ++i)
            if (refOf(subnet->child(i)) == ref)
                return subnet->child(i);
        return nullptr;
    }
    for (int i = 0; i < subnet->childCount(); ++i) {
        QTreeWidgetItem *node = subnet->child(i);
        for (int j = 0; j < node->childCount(); ++j)
            if (refOf(node->child(j)) == ref)
                return node->child(j);
    }
    return nullptr;
}

Place CModbusConfigView::place() const
{
    Place p;
    const QTreeWidgetItem *current = m_tree->currentItem();
    p.selected = refOf(current);
    if (p.selected.kind == ItemKind::Command && current->parent())
        p.node = refOf(current->parent()).number;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if ((*it)->isExpanded())
            p.expanded.push_back(refOf(*it));
    return p;
}

void CModbusConfigView::showPlace(const Place &place)
{
    refillTree();
    m_tree->setUpdatesEnabled(false);
    for (const ItemRef &ref : place.expanded)
        if (QTreeWidgetItem *item = itemOf(ref))
            item->setExpanded(true);
    m_tree->setUpdatesEnabled(true);
    if (QTreeWidgetItem *selected = itemOf(settleSelection(m_shownTree, place.selected, place.node))) {
        m_tree->setCurrentItem(selected); // fills the grid for it
        m_tree->scrollToItem(selected);
    } else {
        clearGrid();
    }
    emit commandStateChanged();
}

void CModbusConfigView::onCurrentItemChanged(QTreeWidgetItem *current)
{
    if (current) {
        showItem();
        return;
    }
    hideEditors();
    m_session.select(ItemRef{});
    emit commandStateChanged();
}

void CModbusConfigView::showItem()
{
    hideEditors();
    QTreeWidgetItem *current = m_tree->currentItem();
    m_shown = refOf(current);
    emit promptChanged(QString());
    m_session.select(m_shown);
    m_pulseEditable = pulseEditableFor(store(), m_shown);
    fillGrid(gridRows(store(), m_shown));
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
        showRowInUse(r, row.grey);
    }
    m_grid->setUpdatesEnabled(true);
}

void CModbusConfigView::showRowInUse(int row, bool grey)
{
    QTableWidgetItem *label = m_grid->item(row, 0);
    QTableWidgetItem *value = m_grid->item(row, 1);
    const bool used = !label->text().isEmpty() || !value->text().isEmpty();
    // A row the item does not use has no field look and cannot be selected or edited; it stays
    // enabled so that the grid's keys still step through it.
    const Qt::ItemFlags flags = used ? QTableWidgetItem().flags() : Qt::ItemIsEnabled;
    label->setFlags(flags);
    value->setFlags(flags);
    if (used)
        value->setBackground(grey ? kGrey : kWhite);
    else
        value->setBackground(m_grid->palette().window());
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
    m_editedItem = refOf(m_tree->currentItem());
    m_shown = m_editedItem;
    m_clickedRow = row;
    emit statusMessage(QString());
    const CellInfo cell = showPrompt(row);
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

CellInfo CModbusConfigView::showPrompt(int row)
{
    const CellInfo cell = describeCell(store(), m_shown, row, m_pulseEditable);
    if (cell.prompt.action == PromptAction::Set)
        emit promptChanged(qtext(cell.prompt.text));
    else if (cell.prompt.action == PromptAction::Empty)
        emit promptChanged(QString());
    return cell;
}

void CModbusConfigView::leaveGrid()
{
    // An open edit box commits after the focus has moved, so a reason shown at its cell stays up.
    m_tree->setFocus(Qt::TabFocusReason);
    commitEditBox();
    hideEditors();
}

bool CModbusConfigView::gridKey(QKeyEvent *key)
{
    const int row = m_grid->currentRow();
    if (row < 0)
        return false;
    switch (key->key()) {
    case Qt::Key_F2:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        onCellClicked(row, 1);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        leaveGrid();
        return true;
    default:
        break;
    }
    // A character typed on an edit-box row starts the edit with it, as in a spreadsheet.
    const QString typed = key->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!printable || !m_gridReady || describeCell(store(), m_shown, row, m_pulseEditable).editor != EditorKind::EditBox)
        return false;
    onCellClicked(row, 1);
    if (m_edit->isHidden())
        return false;
    m_edit->setText(typed);
    m_edit->deselect();
    m_edit->end(false);
    return true;
}

void CModbusConfigView::commitAndMoveDown()
{
    const int row = m_clickedRow;
    // Committed after the focus has moved, so a reason shown at its cell stays up.
    m_grid->setFocus();
    commitEditBox();
    const int next = row + 1;
    if (next > 0 && next < m_grid->rowCount() && m_grid->item(next, 0) && !m_grid->item(next, 0)->text().isEmpty())
        m_grid->setCurrentCell(next, 1);
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
    // Return commits the edit box and moves on to the next row's value; the key goes no further,
    // so it cannot reopen the editor it just closed. Tab commits and leaves the grid.
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            commitAndMoveDown();
            return true;
        }
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            leaveGrid();
            return true;
        }
    }
    if (watched == m_grid && event->type() == QEvent::KeyPress && gridKey(static_cast<QKeyEvent *>(event)))
        return true;
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
    if (m_editedItem.kind == ItemKind::None)
        return;
    const bool stillSelected = m_editedItem == refOf(m_tree->currentItem());
    const CommitResult result =
        m_session.commitText(CommitTarget{m_shown, m_clickedRow}, typed, stillSelected, m_pulseEditable, m_prompter);
    applyCommit(result, stillSelected);
}

void CModbusConfigView::commitListPick(int index)
{
    if (m_committing || index < 0)
        return;
    const QScopedValueRollback<bool> guard(m_committing, true);
    const std::string picked = m_list->itemText(index).toStdString();
    m_list->hide();
    if (m_editedItem.kind == ItemKind::None)
        return;
    const bool stillSelected = m_editedItem == refOf(m_tree->currentItem());
    const CommitResult result = m_session.commitPick(CommitTarget{m_shown, m_clickedRow}, picked, stillSelected);
    applyCommit(result, stillSelected);
}

void CModbusConfigView::applyCommit(const CommitResult &result, bool stillSelected)
{
    if (result.renamedNode) {
        if (QTreeWidgetItem *node = itemOf(m_editedItem)) {
            node->setText(0, QString::fromStdString(*result.renamedNode)); // its tooltip follows
        }
    }
    if (result.pulseEditable)
        m_pulseEditable = *result.pulseEditable;
    if (result.refusal) {
        const QString why = QString::fromStdString(*result.refusal);
        emit statusMessage(why);
        // Said at the cell too, where the eyes are.
        if (stillSelected && m_clickedRow >= 0) {
            const QRect cell = m_grid->visualRect(m_grid->model()->index(m_clickedRow, 1));
            QWidget *viewport = m_grid->viewport();
            const auto show = [viewport, cell, why] {
                QToolTip::showText(viewport->mapToGlobal(cell.bottomLeft()), why, viewport, cell);
            };
            // The key or the click that committed it would take a tip down as it is released.
            QTimer::singleShot(250, viewport, show);
        }
    }
    if (result.protocolChanged) {
        relistSubnet(m_shown.subnet, result.listNodesAgain);
        if (result.rows)
            fillGrid(*result.rows);
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
            if (u.label || u.value)
                showRowInUse(u.row, m_grid->item(u.row, 1)->background().color() == kGrey);
        }
    }
    emit commandStateChanged();
}

void CModbusConfigView::relistSubnet(int subnet, bool withNodes)
{
    QTreeWidgetItem *item = subnetItem(subnet);
    if (!item)
        return;
    if (m_rightClicked.subnet == subnet && (m_rightClicked.kind == ItemKind::Node || m_rightClicked.kind == ItemKind::Command))
        clearRightClicked();
    for (QTreeWidgetItem *child : item->takeChildren())
        delete child;
    if (!withNodes)
        return;
    const TreeDescription tree = buildFromStore(store());
    const int index = topLevelIndexOfSubnet(store(), subnet);
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
    const int index = topLevelIndexOfSubnet(store(), subnet);
    return index >= 0 ? m_tree->topLevelItem(index) : nullptr;
}

ItemRef CModbusConfigView::contextTarget() const
{
    return m_rightClicked.kind != ItemKind::None ? m_rightClicked : refOf(m_tree->currentItem());
}

void CModbusConfigView::clearRightClicked() { m_rightClicked = {}; }

bool CModbusConfigView::prepareContextMenu(const QPoint &viewportPos)
{
    QTreeWidgetItem *item = m_tree->itemAt(viewportPos);
    if (item)
        m_tree->setCurrentItem(item);
    m_rightClicked = refOf(item);
    const bool show = m_session.treeEditor().contextMenuRequested(store(), m_rightClicked);
    emit commandStateChanged();
    return show;
}

void CModbusConfigView::addNode(bool fromContextMenu)
{
    const ItemRef at = refOf(m_tree->currentItem());
    clearRightClicked();
    if (m_session.addNode(at, m_prompter, fromContextMenu) > 0) {
        Place kept = place();
        kept.expanded.push_back(at);
        showPlace(kept);
    }
    emit commandStateChanged();
}

void CModbusConfigView::addCommand(const std::function<int()> &choose)
{
    const int index = choose();
    const ItemRef target = contextTarget();
    clearRightClicked();
    if (index < 0)
        return;
    if (m_session.addCommand(target, index, m_prompter) > 0) {
        Place kept = place();
        kept.expanded.push_back(target);
        showPlace(kept);
    }
    emit commandStateChanged();
}

void CModbusConfigView::deleteNode()
{
    clearRightClicked();
    const ItemRef deleted = refOf(m_tree->currentItem());
    Place kept = place();
    const std::optional<ItemRef> next = m_session.deleteNode(deleted);
    if (!next)
        return;
    // The nodes behind the deleted one move up by one.
    for (ItemRef &ref : kept.expanded) {
        if (ref.kind == ItemKind::Node && ref.subnet == deleted.subnet && ref.number == deleted.number)
            ref = {};
        else if (ref.kind == ItemKind::Node && ref.subnet == deleted.subnet && ref.number > deleted.number)
            --ref.number;
    }
    kept.selected = *next;
    showPlace(kept);
}

void CModbusConfigView::deleteCommand()
{
    const ItemRef deleted = contextTarget();
    clearRightClicked();
    Place kept = place();
    const std::optional<ItemRef> next = m_session.deleteCommand(deleted);
    if (!next)
        return;
    kept.selected = *next;
    showPlace(kept);
}

bool CModbusConfigView::canCopySelected() const
{
    const QTreeWidgetItem *item = m_tree->currentItem();
    return item && TreeEditor::canCopyNode(refOf(item), item->text(0).toStdString());
}

bool CModbusConfigView::canPasteOnSelected() const
{
    return m_session.treeEditor().canPasteNode(refOf(m_tree->currentItem()));
}

void CModbusConfigView::copyNode()
{
    clearRightClicked();
    const QTreeWidgetItem *item = m_tree->currentItem();
    if (item)
        m_session.treeEditor().copyNode(refOf(item), item->text(0).toStdString());
}

void CModbusConfigView::pasteNode()
{
    clearRightClicked();
    const ItemRef target = refOf(m_tree->currentItem());
    Place kept = place();
    const int pasted = m_session.pasteNode(target, m_prompter);
    if (pasted == 0) {
        emit commandStateChanged();
        return;
    }
    kept.selected = ItemRef{ItemKind::Node, target.subnet, pasted};
    showPlace(kept);
}

void CModbusConfigView::mappingAddress()
{
    clearRightClicked();
    // An open edit box commits when the question takes the focus, before the pass reads the store.
    const std::optional<MappingSummary> done = m_session.mappingAddress(m_prompter);
    if (!done)
        return;
    showPlace(place());
    emit statusMessage(QString::fromStdString(
        formatText(done->incomplete ? StrId::SessionSummaryMappingIncomplete : StrId::SessionSummaryMapping,
                   {std::to_string(done->addressed), std::to_string(done->conflictBytes)})));
}

// ---- undo and redo --------------------------------------------------------------------------------

bool CModbusConfigView::applyEdit(const std::function<void(ConfigStore &)> &edit) { return m_session.applyEdit(edit); }

void CModbusConfigView::clearGrid()
{
    hideEditors();
    m_shown = {};
    m_clickedRow = -1;
    m_gridReady = false;
    fillGrid(GridRows{});
    emit promptChanged(QString());
}

void CModbusConfigView::undo() { stepHistory(true); }

void CModbusConfigView::redo() { stepHistory(false); }

void CModbusConfigView::stepHistory(bool back)
{
    if (m_committing || m_session.inStep())
        return;
    // Typed but not yet committed: committed first, as when the edit box loses the focus.
    commitEditBox();
    const Place kept = place();
    if (!(back ? m_session.undo() : m_session.redo())) {
        emit commandStateChanged();
        return;
    }
    clearGrid();
    showPlace(kept);
    const std::size_t left = back ? history().undoCount() : history().redoCount();
    emit statusMessage(QString::fromStdString(
        formatText(back ? StrId::SessionSummaryUndone : StrId::SessionSummaryRedone, {std::to_string(left)})));
    emit commandStateChanged();
}

} // namespace tqv
