#include "ToolbarIcons.h"

#include "CommandIds.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tqv {

namespace {

const QColor kInk(0x33, 0x3b, 0x47);
const QColor kPaper(0xfb, 0xfb, 0xf8);
const QColor kBlue(0x2f, 0x6f, 0xc0);
const QColor kGreen(0x2e, 0x8b, 0x57);
const QColor kRed(0xc6, 0x3b, 0x32);
const QColor kAmber(0xe0, 0x9a, 0x1f);
const QColor kFolder(0xe8, 0xb6, 0x4c);

using Painter = void (*)(QPainter &);

void page(QPainter &p, QRectF r)
{
    QPainterPath path;
    const qreal fold = 6;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void badge(QPainter &p, QPointF centre, const QColor &colour, bool plus)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(centre, 7, 7);
    p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(-3.5, 0), centre + QPointF(3.5, 0));
    if (plus)
        p.drawLine(centre + QPointF(0, -3.5), centre + QPointF(0, 3.5));
}

void device(QPainter &p, QRectF r)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(0xd9, 0xe2, 0xec));
    p.drawRoundedRect(r, 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(r.left() + 4, r.center().y()), 1.6, 1.6);
    p.setBrush(kAmber);
    p.drawEllipse(QPointF(r.left() + 9, r.center().y()), 1.6, 1.6);
}

void arrow(QPainter &p, QPointF from, QPointF to, const QColor &colour)
{
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    QLineF line(to, from);
    QLineF a = line;
    a.setLength(7);
    a.setAngle(line.angle() + 35);
    QLineF b = line;
    b.setLength(7);
    b.setAngle(line.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

void listLines(QPainter &p, QRectF r)
{
    p.setPen(QPen(kBlue, 2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 4; ++i) {
        const qreal y = r.top() + 6 + i * 5;
        p.drawLine(QPointF(r.left() + 4, y), QPointF(r.left() + 6, y));
        p.drawLine(QPointF(r.left() + 9, y), QPointF(r.right() - 4, y));
    }
}

void nodeBox(QPainter &p)
{
    // A Modbus node: a small device hanging off a bus line.
    p.setPen(QPen(kInk, 2));
    p.drawLine(QPointF(3, 6), QPointF(25, 6));
    p.drawLine(QPointF(12, 6), QPointF(12, 11));
    device(p, QRectF(3, 11, 20, 10));
}

void drawNew(QPainter &p)
{
    page(p, QRectF(6, 3, 19, 25));
    p.setPen(QPen(kAmber, 2, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(23, 23);
    for (int i = 0; i < 4; ++i) {
        QLineF l(c, c + QPointF(6, 0));
        l.setAngle(i * 45);
        QLineF m = l;
        m.setAngle(l.angle() + 180);
        p.drawLine(QLineF(m.p2(), l.p2()));
    }
}

void drawSave(QPainter &p)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kBlue);
    QPainterPath body;
    body.moveTo(4, 4);
    body.lineTo(24, 4);
    body.lineTo(28, 8);
    body.lineTo(28, 28);
    body.lineTo(4, 28);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 4, 13, 8));
    p.drawRect(QRectF(8, 17, 16, 11));
    p.setBrush(kInk);
    p.drawRect(QRectF(17, 5.5, 3, 5));
}

void drawOpen(QPainter &p)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kFolder.darker(115));
    QPainterPath back;
    back.moveTo(3, 8);
    back.lineTo(11, 8);
    back.lineTo(13, 11);
    back.lineTo(25, 11);
    back.lineTo(25, 26);
    back.lineTo(3, 26);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(kFolder);
    QPainterPath front;
    front.moveTo(7, 15);
    front.lineTo(30, 15);
    front.lineTo(25, 26);
    front.lineTo(3, 26);
    front.closeSubpath();
    p.drawPath(front);
}

void drawAddNode(QPainter &p)
{
    nodeBox(p);
    badge(p, QPointF(24, 24), kGreen, true);
}

void drawDeleteNode(QPainter &p)
{
    nodeBox(p);
    badge(p, QPointF(24, 24), kRed, false);
}

void drawAddCommand(QPainter &p)
{
    page(p, QRectF(4, 3, 20, 25));
    listLines(p, QRectF(4, 3, 20, 25));
    badge(p, QPointF(24, 24), kGreen, true);
}

void drawDeleteCommand(QPainter &p)
{
    page(p, QRectF(4, 3, 20, 25));
    listLines(p, QRectF(4, 3, 20, 25));
    badge(p, QPointF(24, 24), kRed, false);
}

void drawUpload(QPainter &p)
{
    device(p, QRectF(4, 20, 24, 9));
    arrow(p, QPointF(16, 17), QPointF(16, 3), kBlue);
}

void drawDownload(QPainter &p)
{
    device(p, QRectF(4, 20, 24, 9));
    arrow(p, QPointF(16, 3), QPointF(16, 17), kGreen);
}

void drawMapping(QPainter &p)
{
    // Commands on the left mapped into buffer cells on the right.
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kPaper);
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(20, 4 + i * 6, 9, 6));
    p.setBrush(kBlue);
    p.drawRect(QRectF(20, 10, 9, 6));
    p.setBrush(kGreen);
    p.drawRect(QRectF(20, 22, 9, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(6, 9), 3, 3);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(6, 23), 3, 3);
    p.setPen(QPen(kInk, 1.4, Qt::DashLine));
    p.drawLine(QPointF(9, 9), QPointF(19, 13));
    p.drawLine(QPointF(9, 23), QPointF(19, 25));
}

void drawConflict(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kBlue.red(), kBlue.green(), kBlue.blue(), 200));
    p.drawRect(QRectF(3, 6, 18, 7));
    p.setBrush(QColor(kGreen.red(), kGreen.green(), kGreen.blue(), 200));
    p.drawRect(QRectF(11, 10, 18, 7));
    QPainterPath warn;
    warn.moveTo(19, 16);
    warn.lineTo(29, 30);
    warn.lineTo(9, 30);
    warn.closeSubpath();
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kAmber);
    p.drawPath(warn);
    p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 21), QPointF(19, 25));
    p.drawPoint(QPointF(19, 28));
}

void drawExcel(QPainter &p)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 4, 24, 24));
    p.setBrush(kGreen);
    p.drawRect(QRectF(4, 4, 24, 6));
    p.setPen(QPen(kInk.lighter(180), 1));
    for (int y = 16; y < 28; y += 6)
        p.drawLine(QPointF(4, y), QPointF(28, y));
    for (int x = 12; x < 28; x += 8)
        p.drawLine(QPointF(x, 10), QPointF(x, 28));
}

void drawMonitor(QPainter &p)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(0x1f, 0x2a, 0x36));
    p.drawRoundedRect(QRectF(3, 4, 26, 18), 2, 2);
    p.setBrush(kInk);
    p.drawRect(QRectF(13, 22, 6, 3));
    p.drawRect(QRectF(9, 25, 14, 2));
    p.setPen(QPen(QColor(0x5c, 0xd6, 0x7a), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath wave;
    wave.moveTo(6, 14);
    wave.lineTo(10, 14);
    wave.lineTo(12, 8);
    wave.lineTo(15, 19);
    wave.lineTo(18, 11);
    wave.lineTo(20, 14);
    wave.lineTo(26, 14);
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
}

void drawTreeItem(QPainter &p)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(0xd9, 0xe2, 0xec));
    p.drawRoundedRect(QRectF(4, 9, 24, 14), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(9, 16), 2.4, 2.4);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(16, 16), 2.4, 2.4);
}

void drawTreeCommand(QPainter &p)
{
    page(p, QRectF(7, 3, 18, 26));
    listLines(p, QRectF(7, 3, 18, 26));
}

void drawUndo(QPainter &p)
{
    // A half turn over the top, its head pointing down on the left: back to where it was.
    QPainterPath turn;
    turn.moveTo(25, 26);
    turn.lineTo(25, 18);
    turn.arcTo(QRectF(7, 9, 18, 18), 0, 180);
    p.setPen(QPen(kBlue, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(turn);
    QPainterPath head;
    head.moveTo(7, 27);
    head.lineTo(1.5, 18);
    head.lineTo(12.5, 18);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPath(head);
}

void drawRedo(QPainter &p)
{
    p.translate(32, 0);
    p.scale(-1, 1);
    drawUndo(p);
}

QPixmap drawn(Painter draw, int scale)
{
    QPixmap pm(32 * scale, 32 * scale);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    draw(p);
    p.end();
    return pm;
}

// An icon of a 32 and a 64 pixel drawing, each drawn when a size first needs it: the window
// starts without drawing pictures nobody sees (the large ones on a screen of scale 1). Every
// size is then served by a plain pixmap icon holding the drawings, as if both had been added.
class DrawnIconEngine final : public QIconEngine {
public:
    explicit DrawnIconEngine(Painter draw) : m_draw(draw) {}

    QIconEngine *clone() const override { return new DrawnIconEngine(*this); }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return drawingsFor(size).actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return drawingsFor(size).pixmap(size, 1.0, mode, state);
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        drawingsFor(rect.size() * dpr).paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {QSize(32, 32), QSize(64, 64)}; }
    void virtual_hook(int id, void *data) override
    {
        // A pixmap for a scaled screen (`size` in device pixels) is chosen as the pixmap icon
        // chooses it for that scale.
        if (id == QIconEngine::ScaledPixmapHook) {
            auto &arg = *static_cast<QIconEngine::ScaledPixmapArgument *>(data);
            const qreal scale = arg.scale > 0 ? arg.scale : 1.0;
            arg.pixmap = drawingsFor(arg.size).pixmap(arg.size / scale, scale, arg.mode, arg.state);
            return;
        }
        QIconEngine::virtual_hook(id, data);
    }

private:
    DrawnIconEngine(const DrawnIconEngine &) = default;

    // The pixmap icon with every drawing a request of `size` can be served from: the small one
    // always, the large one once a size above 32 pixels is asked for (which it would be chosen for).
    const QIcon &drawingsFor(const QSize &size)
    {
        if (m_scales < 1) {
            m_drawings.addPixmap(drawn(m_draw, 1));
            m_scales = 1;
        }
        if (m_scales < 2 && (size.width() > 32 || size.height() > 32)) {
            m_drawings.addPixmap(drawn(m_draw, 2));
            m_scales = 2;
        }
        return m_drawings;
    }

    Painter m_draw;
    QIcon m_drawings;
    int m_scales = 0;
};

QIcon paint(Painter draw) { return QIcon(new DrawnIconEngine(draw)); }

} // namespace

QIcon toolbarIcon(int commandId)
{
    switch (commandId) {
    case cmd::FileNew: return paint(drawNew);
    case cmd::FileSave: return paint(drawSave);
    case cmd::FileOpen: return paint(drawOpen);
    case cmd::AddNode: return paint(drawAddNode);
    case cmd::DeleteNode: return paint(drawDeleteNode);
    case cmd::AddCommand: return paint(drawAddCommand);
    case cmd::DeleteCommand: return paint(drawDeleteCommand);
    case cmd::Upload: return paint(drawUpload);
    case cmd::Download: return paint(drawDownload);
    case cmd::MappingAddress: return paint(drawMapping);
    case cmd::ConflictDetection: return paint(drawConflict);
    case cmd::ExcelOutput: return paint(drawExcel);
    case cmd::Monitor: return paint(drawMonitor);
    case cmd::EditUndo: return paint(drawUndo);
    case cmd::EditRedo: return paint(drawRedo);
    default: return {};
    }
}

QIcon treeImage(int image)
{
    // Painted once and shared by every item: a large tree would otherwise paint thousands.
    static const QIcon item = paint(drawTreeItem);
    static const QIcon command = paint(drawTreeCommand);
    return image == 3 ? command : item;
}

QIcon applicationIcon() { return paint(drawTreeItem); }

} // namespace tqv
