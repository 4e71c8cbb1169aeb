#pragma once

#include "serial/SerialSettings.h"

#include <QDialog>

#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;

namespace tqv {

// "Serial Port Configuration": the port to talk to the gateway through (the only box the user
// changes; on POSIX systems a device path can be typed as well) and the line parameters the
// port runs with, shown but fixed. OK stores the choices and confirms the settings; CANCEL
// keeps them as they were.
class SerialSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // The first dialog created in a run sets the baud rate for `gatewayType` (see
    // noteSettingsDialogCreated).
    SerialSettingsDialog(SerialSettings &settings, std::uint32_t gatewayType, QWidget *parent = nullptr);

    QComboBox *portBox() const { return m_port; }
    QComboBox *baudBox() const { return m_baud; }
    QComboBox *parityBox() const { return m_parity; }
    QComboBox *dataBitsBox() const { return m_dataBits; }
    QComboBox *stopBitsBox() const { return m_stopBits; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    void accept() override;

private:
    // A box with `choices`, the entry at `current` selected; only a changeable one is enabled.
    QComboBox *makeBox(const QStringList &choices, int current, bool changeable);

    SerialSettings &m_settings;
    QComboBox *m_port = nullptr;
    QComboBox *m_baud = nullptr;
    QComboBox *m_parity = nullptr;
    QComboBox *m_dataBits = nullptr;
    QComboBox *m_stopBits = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace tqv
