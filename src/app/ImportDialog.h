#pragma once

#include "compare/ConfigDiff.h"
#include "export/WorkbookImport.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;

namespace tqv {

class DifferenceTableModel;

// What an import would do before it is done: the differences the accepted cells make to the open
// configuration (the Compare dialog's list) and the cells the grid's rules refused. "Apply" takes
// an import whose every cell was accepted; with refused cells only "Apply accepted rows" is
// offered, and the plain Enter key cancels.
class ImportDialog : public QDialog {
    Q_OBJECT
public:
    ImportDialog(const QString &fileName, std::vector<Difference> differences, const std::vector<RefusedCell> &refused,
                 QWidget *parent = nullptr);

    QTableView *differencesTable() const { return m_differences; }
    DifferenceTableModel *differencesModel() const { return m_model; }
    QTableWidget *refusedTable() const { return m_refused; }
    QPushButton *applyButton() const { return m_apply; }
    QPushButton *applyAcceptedButton() const { return m_applyAccepted; }
    QPushButton *cancelButton() const { return m_cancel; }

private:
    DifferenceTableModel *m_model = nullptr;
    QTableView *m_differences = nullptr;
    QTableWidget *m_refused = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_applyAccepted = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace tqv
