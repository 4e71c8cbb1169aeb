#pragma once

#include "compare/ConfigDiff.h"
#include "resources/StringId.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <functional>
#include <set>
#include <vector>

class QPushButton;
class QTableView;

namespace tqv {

// Differences as a table: path, the project's text, the gateway's text.
class DifferenceTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DifferenceTableModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}

    void setDifferences(std::vector<Difference> differences);
    const std::vector<Difference> &differences() const { return m_differences; }
    // The heading of the other configuration's column (the gateway's by default).
    void setOtherHeading(StrId heading) { m_otherHeading = heading; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<Difference> m_differences;
    StrId m_otherHeading = StrId::CompareColumnGateway;
};

// The differences between the open configuration and a gateway's. Without a resolver it only
// lists them (after a verified download). With one it resolves them row by row or all at once:
// "Take gateway values" applies the gateway's value to the document (through the resolver), "Keep
// project" leaves the document and drops the row; after every take the list is computed again,
// so rows a take settled as well disappear.
class DifferencesDialog : public QDialog {
    Q_OBJECT
public:
    struct Resolver {
        // The differences as they stand now (from the document and the gateway's configuration).
        std::function<std::vector<Difference>()> compare;
        // Applies one difference to the document.
        std::function<void(const Difference &)> take;
    };

    DifferencesDialog(std::vector<Difference> differences, QWidget *parent = nullptr);
    DifferencesDialog(Resolver resolver, QWidget *parent = nullptr);

    QTableView *table() const { return m_table; }
    DifferenceTableModel *model() const { return m_model; }
    QPushButton *takeButton() const { return m_take; }
    QPushButton *keepButton() const { return m_keep; }
    QPushButton *takeAllButton() const { return m_takeAll; }
    QPushButton *keepAllButton() const { return m_keepAll; }
    QPushButton *closeButton() const { return m_close; }

private:
    void build(bool resolving);
    std::vector<int> selectedRows() const;
    void takeSelected();
    void keepSelected();
    void takeAll();
    void keepAll();
    void refresh();
    void updateButtons();

    Resolver m_resolver;
    std::set<std::string> m_kept; // paths the user chose to keep
    DifferenceTableModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    QPushButton *m_take = nullptr;
    QPushButton *m_keep = nullptr;
    QPushButton *m_takeAll = nullptr;
    QPushButton *m_keepAll = nullptr;
    QPushButton *m_close = nullptr;
};

} // namespace tqv
