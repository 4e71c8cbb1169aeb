#include "SerialSettingsDialog.h"

#include "QtText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tqv {

namespace {

template <typename Texts> QStringList choiceList(const Texts &texts)
{
    QStringList out;
    for (const auto &t : texts)
        out << QString::fromStdString(std::string(t));
    return out;
}

// Device paths can be typed where the system names devices by path; Windows names its ports.
constexpr bool kPortNameCanBeTyped = kNativePortNaming == PortNaming::Posix;

} // namespace

SerialSettingsDialog::SerialSettingsDialog(SerialSettings &settings, std::uint32_t gatewayType, QWidget *parent)
    : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("SerialSettingsDialog"));
    setWindowTitle(qtext(StrId::SerialDialogTitle));
    noteSettingsDialogCreated(m_settings, gatewayType);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    m_port = makeBox(choiceList(m_settings.ports), m_settings.portIndex, true);
    m_baud = makeBox(choiceList(kBaudRateTexts), m_settings.baudIndex, false);
    m_parity = makeBox(choiceList(parityChoices()), m_settings.parityIndex, false);
    m_dataBits = makeBox(choiceList(kDataBitsTexts), m_settings.dataBitsIndex, false);
    m_stopBits = makeBox(choiceList(kStopBitsTexts), m_settings.stopBitsIndex, false);
    m_port->setObjectName(QStringLiteral("portBox"));
    m_baud->setObjectName(QStringLiteral("baudBox"));
    m_parity->setObjectName(QStringLiteral("parityBox"));
    m_dataBits->setObjectName(QStringLiteral("dataBitsBox"));
    m_stopBits->setObjectName(QStringLiteral("stopBitsBox"));

    const StrId labels[] = {StrId::SerialPortLabel, StrId::SerialBaudLabel, StrId::SerialParityLabel,
                            StrId::SerialDataBitsLabel, StrId::SerialStopBitsLabel};
    QComboBox *boxes[] = {m_port, m_baud, m_parity, m_dataBits, m_stopBits};
    for (int row = 0; row < 5; ++row) {
        auto *label = new QLabel(qtext(labels[row]));
        label->setBuddy(boxes[row]);
        grid->addWidget(label, row, 0);
        grid->addWidget(boxes[row], row, 1);
    }
    grid->setColumnStretch(1, 1);

    m_ok = new QPushButton(qtext(StrId::SerialOk));
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(qtext(StrId::SerialCancel));
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(sizeHint().width() + 80);

    // Keyboard: the port box first, then OK and CANCEL; the fixed boxes take no focus.
    setTabOrder(m_port, m_ok);
    setTabOrder(m_ok, m_cancel);
    m_port->setFocus();
}

QComboBox *SerialSettingsDialog::makeBox(const QStringList &choices, int current, bool changeable)
{
    auto *box = new QComboBox;
    box->addItems(choices);
    box->setCurrentIndex(current >= 0 && current < choices.size() ? current : -1);
    if (changeable && kPortNameCanBeTyped) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        if (box->currentIndex() < 0)
            box->setEditText(QString());
    }
    box->setEnabled(changeable);
    box->setMinimumContentsLength(12);
    return box;
}

void SerialSettingsDialog::accept()
{
    int port = m_port->currentIndex();
    // A typed name is looked up, or added to the list when the system does not list it.
    if (m_port->isEditable())
        port = portIndexForName(m_settings, m_port->currentText().trimmed().toStdString());
    acceptSettings(m_settings, SerialChoice{port, m_baud->currentIndex(), m_parity->currentIndex(),
                                            m_dataBits->currentIndex(), m_stopBits->currentIndex()});
    QDialog::accept();
}

} // namespace tqv
