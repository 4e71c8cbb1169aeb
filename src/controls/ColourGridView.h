#pragma once

#include <QTableView>

namespace tqv {

// A table of small fixed-size cells whose colours come from its model: no headers, no editing,
// no selection highlight that would hide a colour. A left click or Return, Enter or Space on the
// current cell reports the cell together with a screen position for a popup.
class ColourGridView : public QTableView {
    Q_OBJECT
public:
    explicit ColourGridView(QWidget *parent = nullptr);
    // Widths in pixels: the label column 0 and every other column; the height of every row.
    void setCellSizes(int labelWidth, int cellWidth, int rowHeight);

signals:
    void cellChosen(const QModelIndex &index, const QPoint &globalPos);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_labelWidth = 40;
    int m_cellWidth = 20;
};

} // namespace tqv
