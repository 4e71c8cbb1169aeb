#include "BitPopup.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace tqv {

BitPopup::BitPopup(QWidget *parent) : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("bitPopup"));
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::StrongFocus);
}

void BitPopup::setBits(const std::array<QColor, 8> &colours)
{
    m_colours = colours;
    update();
}

void BitPopup::popUp(const QPoint &globalPos)
{
    QPoint at = globalPos;
    if (const QScreen *screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - kWidth)));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - kHeight)));
    }
    move(at);
    show();
    setFocus();
}

void BitPopup::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const int cell = (width() - 1) / 8;
    const int left = (width() - 8 * cell) / 2;
    for (int bit = 0; bit < 8; ++bit) {
        const QRect r(left + bit * cell, 1, cell - 1, height() - 3);
        const QColor &colour = m_colours[static_cast<std::size_t>(bit)];
        if (colour.isValid())
            p.fillRect(r, colour);
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(r);
        // The cell colours are light whatever the window's theme: dark digits on them.
        p.setPen(colour.isValid() ? QColor(Qt::black) : palette().color(QPalette::Text));
        p.drawText(r, Qt::AlignCenter, QString::number(bit));
    }
}

void BitPopup::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

} // namespace tqv
