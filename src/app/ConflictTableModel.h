#pragma once

#include "mapping/ConflictMap.h"

#include <QAbstractTableModel>
#include <QColor>

namespace tqv {

// One grid of conflict detection over the shared occupancy maps: 1024 rows of 16 bytes, column 0
// the row's base address, columns 1..16 the bytes, each cell coloured from the maps when it is
// drawn. Nothing is stored per cell.
class ConflictTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kRows = ConflictMap::kGridBytes / 16;
    static constexpr int kColumns = 17;

    ConflictTableModel(const ConflictMap &map, BufferGrid grid, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    BufferGrid grid() const { return m_grid; }
    // The grid byte offset (0..0x3FFF) of a byte cell, or -1 for the label column.
    static int offsetOf(const QModelIndex &index);
    QModelIndex indexOfOffset(int offset) const;
    // The buffer address the offset stands for (outputs from 0x4000).
    int addressOf(int offset) const;
    // The colours of the byte's eight bits, bit 0 first (invalid where a bit is unused).
    std::array<QColor, 8> bitColours(int offset) const;

    // The maps changed for these bytes: repaint just their cells.
    void bytesChanged(const ByteSpan &span);

    static QColor toColor(CellColour colour);

private:
    const ConflictMap &m_map;
    BufferGrid m_grid;
};

} // namespace tqv
