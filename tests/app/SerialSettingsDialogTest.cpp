// "Serial Port Configuration": labels and choices, the fixed boxes, OK and CANCEL, a typed device
// path, the keyboard; and in the window: the Serial Connection command, first use, the port list
// read again at New and at start with a project, once and after the first frame.
#include "support/GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CModbusConfigView.h"
#include "app/CommandIds.h"
#include "app/SerialSettingsDialog.h"
#include "io/QtSettingsStore.h"
#include "model/ProjectDocument.h"
#include "resources/Strings.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>

using namespace tqv;
using testing::whenModalAppears;

namespace {

QStringList items(const QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QStringList labelTexts(const QWidget *dialog)
{
    QStringList out;
    for (const QLabel *label : dialog->findChildren<QLabel *>())
        out << label->text();
    return out;
}

SerialSettings twoPorts()
{
    SerialSettings s;
    rebuildPortList(s, {"ttyS0", "ttyUSB0"}, 3);
    return s;
}

} // namespace

class SerialSettingsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        setLanguage(Language::English);
        m_frame = std::make_unique<CMainFrame>();
        m_frame->view()->setPortSource([this] { return m_systemPorts; });
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() { testing::closeMainWindow(m_frame); }

    // The boxes show the stored indexes; only the port box can be changed; the first creation in a
    // run takes the baud rate of the type.
    void labelsChoicesAndFixedBoxes()
    {
        SerialSettings s = twoPorts();
        SerialSettingsDialog dialog(s, 2);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Serial Port Configuration"));
        QCOMPARE(labelTexts(&dialog), (QStringList{"Port   num", "Band  rate", "Parity bits", "Date   bits",
                                                   "Stop   bits"}));
        QCOMPARE(dialog.okButton()->text(), QStringLiteral("OK"));
        QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("CANCEL"));
        QCOMPARE(items(dialog.portBox()), (QStringList{"ttyS0", "ttyUSB0"}));
        QCOMPARE(items(dialog.baudBox()),
                 (QStringList{"300", "600", "1200", "2400", "4800", "9600", "19200", "115200"}));
        QCOMPARE(items(dialog.parityBox()), (QStringList{"None", "Odd", "Even", "Mark", "Space"}));
        QCOMPARE(items(dialog.dataBitsBox()), (QStringList{"8", "7", "6", "5"}));
        QCOMPARE(items(dialog.stopBitsBox()), (QStringList{"1", "2"}));
        const QStringList shown{dialog.portBox()->currentText(), dialog.baudBox()->currentText(),
                                dialog.parityBox()->currentText(), dialog.dataBitsBox()->currentText(),
                                dialog.stopBitsBox()->currentText()};
        QCOMPARE(shown, (QStringList{"ttyS0", "115200", "None", "8", "1"}));
        QVERIFY(dialog.portBox()->isEnabled());
        for (QComboBox *box : {dialog.baudBox(), dialog.parityBox(), dialog.dataBitsBox(), dialog.stopBitsBox()})
            QVERIFY(!box->isEnabled());
        SerialSettings none;
        SerialSettingsDialog empty(none, 3);
        QCOMPARE(empty.portBox()->count(), 0);
        empty.accept();
        QCOMPARE(none.portIndex, -1);
    }

    // OK by mouse and by Return stores the port and confirms; CANCEL and Escape keep the previous
    // one; Tab skips the fixed boxes.
    void okAndCancelByMouseAndKeyboard()
    {
        for (const bool ok : {true, false}) {
            for (const bool keyboard : {false, true}) {
                SerialSettings s = twoPorts();
                SerialSettingsDialog dialog(s, 3);
                dialog.show();
                QVERIFY(QTest::qWaitForWindowExposed(&dialog));
                QApplication::setActiveWindow(&dialog);
                QTRY_VERIFY(dialog.portBox()->hasFocus());
                QTest::keyClick(dialog.portBox(), Qt::Key_Down);
                QCOMPARE(dialog.portBox()->currentIndex(), 1);
                if (keyboard) {
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                    QCOMPARE(QApplication::focusWidget(), dialog.okButton());
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                    QCOMPARE(QApplication::focusWidget(), dialog.cancelButton());
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
                    QTest::keyClick(QApplication::focusWidget(), ok ? Qt::Key_Return : Qt::Key_Escape);
                } else {
                    QTest::mouseClick(ok ? dialog.okButton() : dialog.cancelButton(), Qt::LeftButton);
                }
                QVERIFY(!dialog.isVisible());
                QCOMPARE(dialog.result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
                QCOMPARE(s.portIndex, ok ? 1 : 0);
                QCOMPARE(s.confirmed, ok);
                QCOMPARE(s.baudIndex, 6);
                SerialSettingsDialog again(s, 3);
                QCOMPARE(again.portBox()->currentText(), QString::fromLatin1(ok ? "ttyUSB0" : "ttyS0"));
            }
        }
    }

    void typedDevicePathBecomesThePort()
    {
        SerialSettings s = twoPorts();
        SerialSettingsDialog dialog(s, 3);
        QVERIFY(dialog.portBox()->isEditable());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.portBox()->lineEdit()->selectAll();
        QTest::keyClicks(dialog.portBox()->lineEdit(), QStringLiteral("/dev/pts/9"));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(s.ports, (std::vector<std::string>{"ttyS0", "ttyUSB0", "/dev/pts/9"}));
        QCOMPARE(*portForTransfer(s), std::string("/dev/pts/9"));
    }

    // The command shows the dialog (its key is in the menu table of MainWindowTest); first use
    // shows it once, whichever button closed it.
    void serialConnectionAndFirstUse()
    {
        QAction *action = m_frame->action(cmd::SerialConnection);
        QVERIFY(action->isEnabled());
        m_systemPorts = {"ttyS0", "ttyUSB0"};
        m_frame->onFileNew();
        int shown = 0;
        whenModalAppears([&shown](QWidget *w) {
            ++shown;
            auto *dialog = qobject_cast<SerialSettingsDialog *>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Serial Port Configuration"));
            QCOMPARE(items(dialog->portBox()), (QStringList{"ttyS0", "ttyUSB0"}));
            dialog->portBox()->setCurrentIndex(1);
            dialog->cancelButton()->click();
        });
        m_frame->confirmSerialSettings();
        QCOMPARE(shown, 1);
        QCOMPARE(m_frame->view()->serialSettings().portIndex, 0);
        QVERIFY(m_frame->view()->serialSettings().confirmed);
        m_frame->confirmSerialSettings(); // no dialog this time: nothing would close it
        QCOMPARE(shown, 1);
    }

    void newConfigurationReadsThePortsAgainAndOpenDoesNot()
    {
        m_systemPorts = {"ttyS0"};
        m_frame->onFileNew();
        QCOMPARE(m_frame->view()->serialSettings().ports, (std::vector<std::string>{"ttyS0"}));
        m_systemPorts = {"ttyS0", "ttyACM0"};
        m_frame->onFileNew();
        QCOMPARE(m_frame->view()->serialSettings().ports, (std::vector<std::string>{"ttyS0", "ttyACM0"}));
        // An upload's new document keeps the list it had.
        m_systemPorts = {};
        m_frame->view()->store().uploadPending = true;
        m_frame->onFileNew();
        QCOMPARE(m_frame->view()->serialSettings().ports.size(), std::size_t{2});

        // Opening through File > Open leaves the list and the baud rate alone (a start with a
        // project reads them: portsAreReadOnceAfterTheFirstFrame).
        QTemporaryDir dir;
        const QString path = projectOfType(dir, 2);
        m_systemPorts = {"ttyS9"};
        m_frame->view()->serialSettings().baudIndex = 6;
        QVERIFY(m_frame->openProject(path));
        const SerialSettings &s = m_frame->view()->serialSettings();
        QCOMPARE(s.ports, (std::vector<std::string>{"ttyS0", "ttyACM0"}));
        QCOMPARE(s.baudIndex, 6);
    }

    // Started with a project, the window reads the ports once, off its thread and after its first
    // frame; a settings dialog opened before that read has ended still shows them. The recent-file
    // list is written after the first frame too.
    void portsAreReadOnceAfterTheFirstFrame()
    {
        for (const bool openDialogFirst : {false, true}) {
            QTemporaryDir dir;
            const QString path = projectOfType(dir, 2);
            CMainFrame frame;
            std::atomic<int> scans{0};
            std::atomic<bool> beforeFrame{false};
            frame.view()->setPortSource([&] {
                ++scans;
                beforeFrame = beforeFrame || !frame.firstFrameShown();
                return std::vector<std::string>{"ttyUSB3"};
            });
            QVERIFY(frame.startWithProject(path));
            QCOMPARE(scans.load(), 0);
            auto savedFirst = [] { return QtSettingsStore().loadRecentFiles().entries().front(); };
            QVERIFY(QtSettingsStore().loadRecentFiles().entries().empty() || savedFirst() != path.toStdString());
            QStringList listed;
            if (openDialogFirst) {
                whenModalAppears([&listed](QWidget *w) {
                    auto *dialog = qobject_cast<SerialSettingsDialog *>(w);
                    QVERIFY(dialog);
                    listed = items(dialog->portBox()) << dialog->baudBox()->currentText();
                    dialog->cancelButton()->click();
                });
                frame.onSerialConnection();
                QCOMPARE(listed, (QStringList{"ttyUSB3", "115200"}));
            }
            frame.show();
            QTRY_VERIFY(frame.firstFrameShown());
            QCOMPARE(savedFirst(), path.toStdString());
            QTRY_COMPARE(scans.load(), 1);
            QCOMPARE(beforeFrame.load(), openDialogFirst);
            QCOMPARE(frame.view()->serialSettings().ports, (std::vector<std::string>{"ttyUSB3"}));
            QCOMPARE(portParameters(frame.view()->serialSettings()).baudRate, 115200);
            QCOMPARE(scans.load(), 1);
            frame.close();
        }
    }

private:
    static QString projectOfType(const QTemporaryDir &dir, std::uint32_t type)
    {
        const QString path = dir.filePath(QStringLiteral("typed.tqv"));
        ConfigStore store;
        store.setTypeAndFlags(type, {});
        if (!ProjectDocument::save(path.toStdString(), store, CodePage::Windows1252).ok())
            return {};
        return path;
    }

    std::unique_ptr<CMainFrame> m_frame;
    std::vector<std::string> m_systemPorts;
};

TQV_GUI_TEST_MAIN(SerialSettingsDialogTest)

#include "SerialSettingsDialogTest.moc"
