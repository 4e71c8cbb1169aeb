// The window's mapping commands: "Mapping Address" with its question and what follows it in the
// tree and the grid, the enabling of both commands, and the "Conflict detection" dialog driven
// with the mouse and the keyboard.
#include "support/GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CModbusConfigView.h"
#include "app/CommandIds.h"
#include "app/ConflictDialog.h"
#include "controls/BitPopup.h"
#include "controls/ColourGridView.h"
#include "editor/ConfigTree.h"
#include "resources/Strings.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <memory>

using namespace tqv;
using testing::describe;
using testing::whenModalAppears;

namespace {

QString boxText(QWidget *w)
{
    auto *box = qobject_cast<QMessageBox *>(w);
    return box ? box->text() : QString();
}

COMMAND makeCommand(const char *code, const char *quantity, const char *mapping, const char *bit = "0")
{
    return COMMAND{"1", code, "0", quantity, mapping, bit, "", "Fullword", "CRC", "Quick-scan", 1};
}

// Subnet 1 with one node holding `commands`.
void putCommands(ConfigStore &store, std::initializer_list<COMMAND> commands)
{
    store.subnet(0).nodeCount = 1;
    store.subnet(0).nodes[0] = NODE{"1", "Node-1"};
    store.subnet(0).commandCount = std::int32_t(commands.size());
    std::copy(commands.begin(), commands.end(), store.subnet(0).commands.begin());
}

// The colour the view painted at the centre of a cell.
QColor paintedColour(ColourGridView *view, const QModelIndex &index)
{
    view->scrollTo(index);
    const QImage image = view->viewport()->grab().toImage();
    return image.pixelColor(view->visualRect(index).center() * image.devicePixelRatio());
}

} // namespace

class MappingWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(tqv::testing::showMainWindow(m_frame)); }
    void cleanup() { tqv::testing::closeMainWindow(m_frame); }

    void mappingAddressAsksThenRecomputes()
    {
        ConfigStore &store = m_frame->view()->store();
        QTreeWidget *tree = m_frame->tree();
        QTableWidget *grid = m_frame->view()->grid();
        putCommands(store, {makeCommand("3", "2", ""), makeCommand("1", "10", ""), makeCommand("6", "1", "")});
        m_frame->view()->rebuildTree();
        tree->expandAll();
        tree->setCurrentItem(tree->topLevelItem(1)->child(0)->child(0));
        QCOMPARE(grid->item(4, 1)->text(), QString());
        QAction *mapping = m_frame->action(cmd::MappingAddress);
        QVERIFY(mapping->isEnabled());

        // Escape answers No: nothing changes, the grid keeps its item.
        const ConfigStore before = store;
        QString asked;
        whenModalAppears([&](QWidget *w) {
            asked = boxText(w);
            QCOMPARE(qobject_cast<QMessageBox *>(w)->icon(), QMessageBox::Question);
            QTest::keyClick(w, Qt::Key_Escape);
        });
        mapping->trigger();
        QCOMPARE(asked, QStringLiteral("Really want to recount the mapping address? "));
        QVERIFY(store == before);
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Command, 0, 1}));

        // Return answers Yes: the addresses are computed; the tree keeps its open branches and the
        // selection, whose grid shows the new values; the status bar says what the pass did.
        tree->setCurrentItem(tree->topLevelItem(1)->child(0)->child(2));
        whenModalAppears([](QWidget *w) { QTest::keyClick(w, Qt::Key_Return); });
        mapping->trigger();
        QCOMPARE(store.command(0, 3).mappingAddress, std::string("4000")); // the pass itself: MappingPassTest
        QVERIFY(store.configModified);
        QVERIFY(!m_frame->view()->session().incompleteInformation);
        QVERIFY(describe(tree) == buildFromStore(store));
        QVERIFY(tree->topLevelItem(1)->isExpanded() && tree->topLevelItem(1)->child(0)->isExpanded());
        QCOMPARE(tree->currentItem(), tree->topLevelItem(1)->child(0)->child(2));
        QCOMPARE(m_frame->view()->shownItem(), (ItemRef{ItemKind::Command, 0, 3}));
        QCOMPARE(grid->item(4, 1)->text(), QStringLiteral("4000H"));
        QCOMPARE(grid->item(6, 1)->text(), QStringLiteral("2"));
        QCOMPARE(m_frame->statusBar()->currentMessage(), QStringLiteral("Mapping: 3 commands addressed, 0 bytes in conflict"));
    }

    void bothCommandsFollowTheProtocolAndTheModel()
    {
        QAction *mapping = m_frame->action(cmd::MappingAddress);
        QAction *conflicts = m_frame->action(cmd::ConflictDetection);
        auto pickProtocol = [this](const QString &protocol) {
            m_frame->tree()->setCurrentItem(m_frame->tree()->topLevelItem(1));
            testing::pickInGrid(m_frame->view(), 0, protocol);
        };
        QVERIFY(mapping->isEnabled() && conflicts->isEnabled());
        pickProtocol("User Config");
        QVERIFY(!mapping->isEnabled() && !conflicts->isEnabled());
        pickProtocol("Modbus master");
        QVERIFY(mapping->isEnabled() && conflicts->isEnabled());
        pickProtocol("Modbus slave");
        QVERIFY(!mapping->isEnabled() && !conflicts->isEnabled());

        // Without modelFlag7 the model decides (the rules are pinned in MappingPassTest): a
        // four-subnet gateway offers only Conflict Detection, each command keeps its own rule.
        ConfigStore &store = m_frame->view()->store();
        store.setTypeAndFlags(2, {});
        m_frame->view()->initialUpdate();
        QVERIFY(!mapping->isEnabled() && conflicts->isEnabled());
        store.setTypeAndFlags(1, {});
        m_frame->view()->initialUpdate();
        QVERIFY(mapping->isEnabled() && conflicts->isEnabled());
    }

    void conflictGridsAndCheckBoxes()
    {
        ConfigStore &store = m_frame->view()->store();
        store.subnet(0).commandStatus = "2Bytes";
        putCommands(store, {makeCommand("3", "2", "2"),      // 0002..0005
                            makeCommand("8", "1", "0"),      // no line
                            makeCommand("3", "2", "4"),      // 0004..0007: red at 0004..0005
                            makeCommand("6", "1", "10"),     // yellow 0010..0011
                            makeCommand("16", "2", "4000")}); // blue
        ConflictDialog dialog(store, m_frame.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        // The check list: one checked line per mapped entry (which lines and colours: ConflictMapTest).
        QListWidget *list = dialog.commandList();
        QCOMPARE(list->count(), 5);
        QCOMPARE(list->item(2)->checkState(), Qt::Checked);
        QCOMPARE(list->item(2)->data(Qt::UserRole).toInt(), 3);
        QCOMPARE(list->item(2)->toolTip(), QStringLiteral("Subnet1, command 3, mapping address 4H"));

        // Row labels and sizes of both grids.
        ConflictTableModel *in = dialog.inputModel();
        ConflictTableModel *out = dialog.outputModel();
        QCOMPARE(in->rowCount(), 1024);
        QCOMPARE(in->columnCount(), 17);
        QCOMPARE(in->data(in->index(0, 0)).toString(), QStringLiteral("0000"));
        QCOMPARE(in->data(in->index(1, 0)).toString(), QStringLiteral("0010"));
        QCOMPARE(in->data(in->index(1023, 0)).toString(), QStringLiteral("3FF0"));
        QCOMPARE(out->data(out->index(0, 0)).toString(), QStringLiteral("4000"));
        QCOMPARE(out->data(out->index(1023, 0)).toString(), QStringLiteral("7FF0"));
        QCOMPARE(dialog.inputView()->columnWidth(0), 40);
        QCOMPARE(dialog.inputView()->columnWidth(5), 20);

        const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255), yellow(255, 255, 0);
        auto colour = [](ConflictTableModel *m, int offset) {
            return m->data(m->indexOfOffset(offset), Qt::BackgroundRole).value<QColor>();
        };
        QCOMPARE(colour(in, 0x10), yellow);
        QCOMPARE(colour(out, 4), QColor());
        QCOMPARE(paintedColour(dialog.inputView(), in->indexOfOffset(4)), red);
        QCOMPARE(paintedColour(dialog.outputView(), out->indexOfOffset(1)), blue);

        // Space on the third line leaves its command out: only its bytes are repainted.
        QSignalSpy changed(in, &QAbstractItemModel::dataChanged);
        QSignalSpy outChanged(out, &QAbstractItemModel::dataChanged);
        list->setFocus();
        list->setCurrentRow(2);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(list->item(2)->checkState(), Qt::Unchecked);
        QVERIFY(!dialog.map().entries()[3].included);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].toModelIndex(), in->index(0, 5));
        QCOMPARE(changed[0][1].toModelIndex(), in->index(0, 8));
        QCOMPARE(outChanged.count(), 0);
        QCOMPARE(colour(in, 4), green);
        QCOMPARE(colour(in, 6), QColor());
        QCOMPARE(paintedColour(dialog.inputView(), in->indexOfOffset(4)), green);

        // Checked again: red once more.
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(list->item(2)->checkState(), Qt::Checked);
        QCOMPARE(colour(in, 4), red);
        QCOMPARE(paintedColour(dialog.inputView(), in->indexOfOffset(4)), red);

        // A click on a byte: its eight bits in a small window.
        ColourGridView *inView = dialog.inputView();
        const QModelIndex byte4 = in->indexOfOffset(4);
        inView->scrollTo(byte4);
        QTest::mouseClick(inView->viewport(), Qt::LeftButton, {}, inView->visualRect(byte4).center());
        BitPopup *popup = dialog.bitPopup();
        QVERIFY(popup);
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->size(), QSize(165, 23));
        for (const QColor &bit : popup->bits())
            QCOMPARE(bit, red);
        QTest::keyClick(popup, Qt::Key_Escape);
        QVERIFY(!popup->isVisible());
        // The address column opens nothing.
        const QModelIndex label = in->index(0, 0);
        QTest::mouseClick(inView->viewport(), Qt::LeftButton, {}, inView->visualRect(label).center());
        QVERIFY(!popup->isVisible());

        dialog.close();
    }

    // Ctrl+T opens the dialog (what it shows: conflictGridsAndCheckBoxes), then the keyboard alone.
    void conflictDialogFromTheKeyboard()
    {
        ConfigStore &store = m_frame->view()->store();
        putCommands(store, {makeCommand("1", "10", "1", "4"), // bits 4..7 of 0001, 0..5 of 0002
                            makeCommand("15", "3", "4000", "6")});
        bool closed = false;
        whenModalAppears([&closed](QWidget *w) {
            auto *dialog = qobject_cast<ConflictDialog *>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Conflict detection"));
            QTRY_COMPARE(QApplication::focusWidget(), dialog->commandList());

            // Tab to the input grid, arrows to byte 0002, Return: the bits of that byte.
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), dialog->inputView());
            QCOMPARE(dialog->inputView()->currentIndex(), dialog->inputModel()->index(0, 1));
            QTest::keyClick(dialog->inputView(), Qt::Key_Right);
            QTest::keyClick(dialog->inputView(), Qt::Key_Right);
            QCOMPARE(ConflictTableModel::offsetOf(dialog->inputView()->currentIndex()), 2);
            QTest::keyClick(dialog->inputView(), Qt::Key_Return);
            BitPopup *popup = dialog->bitPopup();
            QVERIFY(popup && popup->isVisible());
            const QColor green(0, 255, 0);
            const std::array<QColor, 8> expected{green, green, green, green, green, green, QColor(), QColor()};
            QCOMPARE(popup->bits(), expected);
            QTest::keyClick(popup, Qt::Key_Escape);
            QVERIFY(!popup->isVisible());

            // Down a row and back: the current cell follows the arrows.
            QTest::keyClick(dialog->inputView(), Qt::Key_Down);
            QCOMPARE(ConflictTableModel::offsetOf(dialog->inputView()->currentIndex()), 0x12);

            // Tab on to the output grid: Space shows the first output byte's bits.
            QTest::keyClick(dialog->inputView(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), dialog->outputView());
            QTest::keyClick(dialog->outputView(), Qt::Key_Space);
            QVERIFY(popup->isVisible());
            const QColor blue(0, 0, 255);
            QCOMPARE(popup->bits()[6], blue);
            QCOMPARE(popup->bits()[5], QColor());
            QTest::keyClick(popup, Qt::Key_Escape);

            // Tab reaches the Close button; Escape closes the dialog from anywhere.
            QTest::keyClick(dialog->outputView(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("closeButton"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            closed = !dialog->isVisible() && dialog->result() == QDialog::Rejected;
            if (!closed)
                w->close(); // after a failed check
        });
        QTest::keyClick(m_frame.get(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(closed);
    }

private:
    std::unique_ptr<CMainFrame> m_frame;
};

TQV_GUI_TEST_MAIN(MappingWindowTest)

#include "MappingWindowTest.moc"
