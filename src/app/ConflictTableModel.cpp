#include "ConflictTableModel.h"

namespace tqv {

ConflictTableModel::ConflictTableModel(const ConflictMap &map, BufferGrid grid, QObject *parent)
    : QAbstractTableModel(parent), m_map(map), m_grid(grid)
{
}

int ConflictTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kRows; }

int ConflictTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumns; }

int ConflictTableModel::offsetOf(const QModelIndex &index)
{
    if (!index.isValid() || index.column() < 1)
        return -1;
    return index.row() * 16 + index.column() - 1;
}

QModelIndex ConflictTableModel::indexOfOffset(int offset) const
{
    if (offset < 0 || offset >= ConflictMap::kGridBytes)
        return {};
    return index(offset / 16, offset % 16 + 1);
}

int ConflictTableModel::addressOf(int offset) const
{
    return m_grid == BufferGrid::Output ? kOutputBufferBase + offset : offset;
}

QColor ConflictTableModel::toColor(CellColour colour)
{
    if (colour == CellColour::None)
        return {};
    const std::uint32_t bgr = colourValue(colour);
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>(bgr >> 8 & 0xFF), static_cast<int>(bgr >> 16 & 0xFF));
}

std::array<QColor, 8> ConflictTableModel::bitColours(int offset) const
{
    std::array<QColor, 8> colours;
    for (int bit = 0; bit < 8; ++bit)
        colours[static_cast<std::size_t>(bit)] = toColor(m_map.bitColour(m_grid, offset, bit));
    return colours;
}

QVariant ConflictTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const auto hex4 = [](int value) { return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper(); };
    if (index.column() == 0) {
        if (role == Qt::DisplayRole)
            return hex4(addressOf(index.row() * 16));
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        return {};
    }
    const int offset = offsetOf(index);
    switch (role) {
    case Qt::BackgroundRole: {
        const QColor colour = toColor(m_map.byteColour(m_grid, offset));
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    case Qt::ToolTipRole:
        return hex4(addressOf(offset));
    default:
        return {};
    }
}

void ConflictTableModel::bytesChanged(const ByteSpan &span)
{
    const int first = std::max(span.first, 0);
    const int last = std::min(span.last, ConflictMap::kGridBytes - 1);
    if (first > last)
        return;
    const int firstRow = first / 16;
    const int lastRow = last / 16;
    // Within one row just the bytes; over several rows the byte columns of those rows.
    const int firstColumn = firstRow == lastRow ? first % 16 + 1 : 1;
    const int lastColumn = firstRow == lastRow ? last % 16 + 1 : 16;
    emit dataChanged(index(firstRow, firstColumn), index(lastRow, lastColumn), {Qt::BackgroundRole});
}

} // namespace tqv
