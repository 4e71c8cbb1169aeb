#pragma once

#include "ConflictTableModel.h"
#include "mapping/ConflictMap.h"
#include "resources/StringId.h"

#include <QDialog>

#include <memory>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace tqv {

class BitPopup;
class ColourGridView;

// "Conflict detection": the command list with a check box per mapped command across the top,
// the input and output grids below it, a legend at the bottom. Unchecking a command takes its
// bits out of the picture; clicking a byte shows its eight bits. Reads the configuration only.
class ConflictDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConflictDialog(const ConfigStore &store, QWidget *parent = nullptr);
    ~ConflictDialog() override;

    const ConflictMap &map() const { return *m_map; }
    QListWidget *commandList() const { return m_list; }
    ColourGridView *inputView() const { return m_inputView; }
    ColourGridView *outputView() const { return m_outputView; }
    ConflictTableModel *inputModel() const { return m_inputModel; }
    ConflictTableModel *outputModel() const { return m_outputModel; }
    // The bit popup once a byte has been clicked, else null.
    BitPopup *bitPopup() const { return m_popup; }

private:
    void onItemChanged(QListWidgetItem *item);
    void showBits(const ConflictTableModel *model, const QModelIndex &index, const QPoint &globalPos);
    QWidget *makeGrid(StrId heading, ConflictTableModel *model, ColourGridView *&view);
    QWidget *makeLegend();

    std::unique_ptr<ConflictMap> m_map;
    QListWidget *m_list = nullptr;
    ConflictTableModel *m_inputModel = nullptr;
    ConflictTableModel *m_outputModel = nullptr;
    ColourGridView *m_inputView = nullptr;
    ColourGridView *m_outputView = nullptr;
    BitPopup *m_popup = nullptr;
};

} // namespace tqv
