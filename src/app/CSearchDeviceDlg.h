#pragma once

#include "ethernet/DeviceSearch.h"
#include "ethernet/MessageHeader.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace tqv {

class QtUdpLink;
struct SessionState;

// "Seach Device": finds Ethernet gateways (a broadcast search, or a query of the fixed address)
// and lets the user pick one; the pick becomes the session's target address. Driven by a timer
// and the socket's signals: the window never waits on the network.
class CSearchDeviceDlg : public QDialog {
    Q_OBJECT
public:
    CSearchDeviceDlg(SessionState &session, EthernetEndpoints endpoints, QWidget *parent = nullptr);
    ~CSearchDeviceDlg() override;

    QTableWidget *deviceList() const { return m_list; }
    QPushButton *refurbishButton() const { return m_refurbish; }
    QPushButton *logInButton() const { return m_logIn; }
    QLabel *statusLabel() const { return m_status; }
    QProgressBar *progressBar() const { return m_progress; }
    const DeviceSearch &search() const { return *m_search; }

private:
    void tick();
    void refurbish();
    void rowChosen(int row);
    // Shows what the search holds now.
    void showState();

    std::unique_ptr<QtUdpLink> m_link;
    std::unique_ptr<DeviceSearch> m_search;
    QTimer *m_timer = nullptr;
    QTableWidget *m_list = nullptr;
    QLabel *m_status = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_refurbish = nullptr;
    QPushButton *m_logIn = nullptr;
    QPushButton *m_cancel = nullptr;
};

// "Ethernet configuration": search for gateways, or talk to one fixed address.
class CEthernetConfigDlg : public QDialog {
    Q_OBJECT
public:
    explicit CEthernetConfigDlg(SessionState &session, QWidget *parent = nullptr);

    QCheckBox *useSearchBox() const { return m_useSearch; }
    QLineEdit *addressEdit() const { return m_address; }
    void accept() override;
    void reject() override;

private:
    SessionState &m_session;
    QCheckBox *m_useSearch = nullptr;
    QLineEdit *m_address = nullptr;
};

} // namespace tqv
