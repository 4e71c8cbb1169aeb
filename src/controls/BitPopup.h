#pragma once

#include <QColor>
#include <QFrame>
#include <QString>

#include <array>

namespace tqv {

// A small borderless window with one row of eight cells, one per bit of a byte, each in its own
// colour and labelled with its bit number. It closes on a click elsewhere or on Escape.
class BitPopup : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 165;
    static constexpr int kHeight = 23;

    explicit BitPopup(QWidget *parent = nullptr);
    // Bit 0 first; an invalid colour leaves the cell in the window's base colour.
    void setBits(const std::array<QColor, 8> &colours);
    const std::array<QColor, 8> &bits() const { return m_colours; }
    // Shows the popup with its top-left corner at `globalPos`, kept on the screen.
    void popUp(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::array<QColor, 8> m_colours;
};

} // namespace tqv
