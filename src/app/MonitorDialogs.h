#pragma once

#include "monitor/MonitorRecord.h"
#include "monitor/MonitorRows.h"
#include "monitor/MonitorSession.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QFile>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace tqv {

class QtMonitorRun;

// A monitor list as a model over the rows the core keeps: no item per cell, and a new row costs
// the same however long the list is.
class MonitorTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    MonitorTableModel(std::vector<std::string> headers, std::function<std::size_t()> rows,
                      std::function<const MonitorRow &(std::size_t)> row, QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void inserted(int at);
    void reset();

private:
    std::vector<std::string> m_headers;
    std::function<std::size_t()> m_rows;
    std::function<const MonitorRow &(std::size_t)> m_row;
};

// "Monitor I/O Data": the framed serial link, newest record on top.
class CFramedMonitorDlg : public QDialog {
    Q_OBJECT
public:
    CFramedMonitorDlg(MonitorLine line, FramedMode mode, QWidget *parent = nullptr);
    ~CFramedMonitorDlg() override;
    // Opens the port and starts the run; false (and why, shown) when the dialog cannot run.
    bool start(const std::string &portName);

    QTableView *list() const { return m_list; }
    MonitorTableModel *model() const { return m_model; }
    QPlainTextEdit *readDate() const { return m_readDate; }
    QLineEdit *addressEdit() const { return m_address; }
    QLineEdit *dataEdit() const { return m_data; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *suspendButton() const { return m_suspend; }
    QPushButton *clearButton() const { return m_clear; }
    QPushButton *sendButton() const { return m_send; }
    QPushButton *stopButton() const { return m_stop; }
    QPushButton *exitButton() const { return m_exit; }
    QLabel *sendResult() const { return m_sendResult; }
    // Tests choose the save file instead of the file dialog ("" = cancelled).
    void setSavePathProvider(std::function<QString()> provider) { m_savePath = std::move(provider); }
    void reject() override; // "Stop debug and exit"

private:
    void onLinkEvent(const MonitorEvent &e);
    void toggleSave();
    void writeSaveFile();
    void finish();

    FramedMonitorRows m_rows;
    std::unique_ptr<QtMonitorRun> m_run;
    MonitorTableModel *m_model = nullptr;
    QTableView *m_list = nullptr;
    QPlainTextEdit *m_readDate = nullptr;
    QLineEdit *m_address = nullptr;
    QLineEdit *m_data = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_suspend = nullptr;
    QPushButton *m_clear = nullptr;
    QPushButton *m_send = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_exit = nullptr;
    QLabel *m_sendResult = nullptr;
    QString m_saveFile; // chosen and not yet written
    std::function<QString()> m_savePath;
    bool m_finished = false;
};

// "Monitor I/0 Data": the record serial link or the UDP link, records appended in arrival order.
class CRecordMonitorDlg : public QDialog {
    Q_OBJECT
public:
    CRecordMonitorDlg(MonitorLine line, QWidget *parent = nullptr);
    ~CRecordMonitorDlg() override;
    // Serial: opens the port with the line's settings. UDP: binds the local port and asks `address`
    // to start (a port that cannot be had leaves the dialog without a link, as a gateway that
    // never answers).
    bool startSerial(const std::string &portName);
    void startUdp(const std::string &address, std::uint16_t monitorPort, std::uint16_t localPort);

    QTableView *list() const { return m_list; }
    MonitorTableModel *model() const { return m_model; }
    QLineEdit *addressEdit() const { return m_address; }
    QLineEdit *dataEdit() const { return m_data; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *suspendButton() const { return m_suspend; }
    QPushButton *sendButton() const { return m_send; }
    QPushButton *exitButton() const { return m_exit; }
    QLabel *sendResult() const { return m_sendResult; }
    void setSavePathProvider(std::function<QString()> provider) { m_savePath = std::move(provider); }
    void reject() override; // "Exit"

private:
    void onLinkEvent(const MonitorEvent &e);
    void send();
    void toggleSave();

    MonitorLinkKind m_kind;
    RecordMonitorRows m_rows;
    std::unique_ptr<QtMonitorRun> m_run;
    MonitorTableModel *m_model = nullptr;
    QTableView *m_list = nullptr;
    QLineEdit *m_address = nullptr;
    QLineEdit *m_data = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_suspend = nullptr;
    QPushButton *m_send = nullptr;
    QPushButton *m_exit = nullptr;
    QLabel *m_sendResult = nullptr;
    QFile m_file; // open while saving
    bool m_saving = false;
    bool m_saveFailed = false;
    std::function<QString()> m_savePath;
    bool m_closing = false;
};

} // namespace tqv
