// "Serial Port Configuration": labels and choices, the fixed boxes, OK and CANCEL, a typed device
// path, the keyboard, the first creation's baud rate; and in the window: the Serial Connection
// command, the port list rebuilt at New and at start with a project, first use.
#include "support/GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CModbusConfigView.h"
#include "app/CommandIds.h"
#include "app/SerialSettingsDialog.h"
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
#include <QTimer>

#include <functional>
#include <memory>

using namespace tqv;
using testing::describe;
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
    void init() { setLanguage(Language::English); }

    void labelsChoicesAndFixedBoxes()
    {
        SerialSettings s = twoPorts();
        SerialSettingsDialog dialog(s, 3);
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
        // Every box shows the entry at the stored index; only the port box can be changed.
        QCOMPARE(dialog.portBox()->currentText(), QStringLiteral("ttyS0"));
        QCOMPARE(dialog.baudBox()->currentText(), QStringLiteral("19200"));
        QCOMPARE(dialog.parityBox()->currentText(), QStringLiteral("None"));
        QCOMPARE(dialog.dataBitsBox()->currentText(), QStringLiteral("8"));
        QCOMPARE(dialog.stopBitsBox()->currentText(), QStringLiteral("1"));
        QVERIFY(dialog.portBox()->isEnabled());
        for (QComboBox *box : {dialog.baudBox(), dialog.parityBox(), dialog.dataBitsBox(), dialog.stopBitsBox()})
            QVERIFY(!box->isEnabled());
    }

    void chineseTexts()
    {
        setLanguage(Language::Chinese);
        SerialSettings s = twoPorts();
        SerialSettingsDialog dialog(s, 3);
        QCOMPARE(dialog.windowTitle(), QString::fromStdString(text(StrId::SerialDialogTitle)));
        QCOMPARE(labelTexts(&dialog).first(), QString::fromStdString(text(StrId::SerialPortLabel)));
        QCOMPARE(dialog.cancelButton()->text(), QString::fromStdString(text(StrId::SerialCancel)));
        QCOMPARE(dialog.parityBox()->itemText(1), QString::fromStdString(text(StrId::SerialParityOdd)));
        QVERIFY(dialog.windowTitle() != QStringLiteral("Serial Port Configuration"));
    }

    void cancelKeepsThePreviousPort()
    {
        SerialSettings s = twoPorts();
        const SerialSettings before = s;
        SerialSettingsDialog dialog(s, 3);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.portBox()->setCurrentIndex(1);
        QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(s.portIndex, 0);
        QVERIFY(!s.confirmed);
        QVERIFY(s.dialogCreated);
        s.dialogCreated = false;
        QVERIFY(s == before);
    }

    void okStoresTheChoice()
    {
        SerialSettings s = twoPorts();
        SerialSettingsDialog dialog(s, 3);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.portBox()->setCurrentIndex(1);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(s.portIndex, 1);
        QCOMPARE(s.baudIndex, 6);
        QVERIFY(s.confirmed);
        QCOMPARE(*portForTransfer(s), std::string("ttyUSB0"));
        // Opening it again shows the stored port.
        SerialSettingsDialog again(s, 3);
        QCOMPARE(again.portBox()->currentText(), QStringLiteral("ttyUSB0"));
    }

    void keyboardPicksAndConfirms()
    {
        SerialSettings s = twoPorts();
        SerialSettingsDialog dialog(s, 3);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QApplication::setActiveWindow(&dialog);
        QTRY_VERIFY(dialog.portBox()->hasFocus());
        QTest::keyClick(dialog.portBox(), Qt::Key_Down);
        QCOMPARE(dialog.portBox()->currentIndex(), 1);
        // Tab reaches the buttons and skips the fixed boxes.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog.okButton());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog.cancelButton());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(s.portIndex, 1);
    }

    void returnInThePortBoxIsOkEscapeIsCancel()
    {
        SerialSettings s = twoPorts();
        {
            SerialSettingsDialog dialog(s, 3);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QApplication::setActiveWindow(&dialog);
            QTRY_VERIFY(dialog.portBox()->hasFocus());
            QTest::keyClick(dialog.portBox(), Qt::Key_Down);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(s.portIndex, 0);
        }
        SerialSettingsDialog dialog(s, 3);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QApplication::setActiveWindow(&dialog);
        QTRY_VERIFY(dialog.portBox()->hasFocus());
        QTest::keyClick(dialog.portBox(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(s.portIndex, 1);
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
        QCOMPARE(s.portIndex, 2);
        QCOMPARE(*portForTransfer(s), std::string("/dev/pts/9"));
        // Typing a listed name picks it instead of adding it again.
        SerialSettingsDialog again(s, 3);
        again.portBox()->setEditText(QStringLiteral("ttyS0"));
        again.accept();
        QCOMPARE(s.portIndex, 0);
        QCOMPARE(s.ports.size(), std::size_t{3});
    }

    void emptyPortListShowsAnEmptyPortBox()
    {
        SerialSettings s;
        SerialSettingsDialog dialog(s, 3);
        QCOMPARE(dialog.portBox()->count(), 0);
        QCOMPARE(dialog.portBox()->currentText(), QString());
        dialog.accept();
        QCOMPARE(s.portIndex, -1);
        QVERIFY(!portForTransfer(s));
    }

    void firstCreationSetsTheBaudRateOfTheType()
    {
        SerialSettings s = twoPorts();
        s.baudIndex = 6;
        SerialSettingsDialog first(s, 2);
        QCOMPARE(first.baudBox()->currentText(), QStringLiteral("115200"));
        s.baudIndex = 6;
        SerialSettingsDialog second(s, 2);
        QCOMPARE(second.baudBox()->currentText(), QStringLiteral("19200"));
    }
};

// The settings in the main window.
class SerialInWindowTest : public QObject {
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
    void cleanup()
    {
        m_frame->view()->store().configModified = false;
        m_frame->close();
        m_frame.reset();
    }

    void serialConnectionShowsTheDialog()
    {
        QAction *action = m_frame->action(cmd::SerialConnection);
        QVERIFY(action->isEnabled());
        QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        m_systemPorts = {"ttyS0", "ttyUSB0"};
        m_frame->onFileNew();
        QString title;
        whenModalAppears([&title](QWidget *w) {
            title = w->windowTitle();
            auto *dialog = qobject_cast<SerialSettingsDialog *>(w);
            QVERIFY(dialog);
            dialog->portBox()->setCurrentIndex(1);
            dialog->okButton()->click();
        });
        action->trigger();
        QCOMPARE(title, QStringLiteral("Serial Port Configuration"));
        QCOMPARE(m_frame->view()->serialSettings().portIndex, 1);
        QVERIFY(m_frame->view()->serialSettings().confirmed);
    }

    void newConfigurationReadsThePortsAgain()
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
    }

    void startWithAProjectReadsThePortsWithItsBaudRate()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("four.tqv"));
        ConfigStore four;
        four.setTypeAndFlags(2, {});
        QVERIFY(ProjectDocument::save(path.toStdString(), four, CodePage::Windows1252).ok());
        m_systemPorts = {"ttyUSB3"};
        QVERIFY(m_frame->startWithProject(path));
        const SerialSettings &s = m_frame->view()->serialSettings();
        QCOMPARE(s.ports, (std::vector<std::string>{"ttyUSB3"}));
        QCOMPARE(portParameters(s).baudRate, 115200);
        // Opening through File > Open later leaves the list and the baud rate alone.
        m_systemPorts = {"ttyS9"};
        m_frame->view()->serialSettings().baudIndex = 6;
        QVERIFY(m_frame->openProject(path));
        QCOMPARE(s.ports, (std::vector<std::string>{"ttyUSB3"}));
        QCOMPARE(s.baudIndex, 6);
    }

    void firstUseShowsTheDialogOnceWhicheverButtonClosedIt()
    {
        int shown = 0;
        whenModalAppears([&shown](QWidget *w) {
            ++shown;
            qobject_cast<SerialSettingsDialog *>(w)->cancelButton()->click();
        });
        m_frame->confirmSerialSettings();
        QCOMPARE(shown, 1);
        QVERIFY(m_frame->view()->serialSettings().confirmed);
        m_frame->confirmSerialSettings(); // no dialog this time: nothing would close it
        QCOMPARE(shown, 1);
    }

private:
    std::unique_ptr<CMainFrame> m_frame;
    std::vector<std::string> m_systemPorts;
};

int main(int argc, char **argv)
{
    QTemporaryDir home;
    testing::isolateGuiTestRun(home);
    QApplication app(argc, argv);
    int failed = 0;
    {
        SerialSettingsDialogTest dialogTest;
        failed += QTest::qExec(&dialogTest, argc, argv);
    }
    {
        SerialInWindowTest windowTest;
        failed += QTest::qExec(&windowTest, argc, argv);
    }
    return failed;
}

#include "SerialSettingsDialogTest.moc"
