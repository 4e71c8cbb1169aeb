// Draws the program's icon and its project files' icon from one list of shapes on a 64 x 64
// canvas, as SVG (scalable) and as PNG at the usual hicolor sizes, so the two never differ.
//
//   tqv580-icons OUTPUT_DIRECTORY
// writes OUTPUT_DIRECTORY/hicolor/{scalable,NxN}/{apps,mimetypes}/NAME.{svg,png}
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdio>
#include <vector>

namespace {

struct Shape {
    enum Kind { Rect, Circle, Polygon, Line } kind;
    std::vector<double> v; // Rect: x y w h r; Circle: cx cy r; Polygon/Line: x0 y0 x1 y1 ...
    const char *fill;      // nullptr: none
    const char *stroke;    // nullptr: none
    double width;
};

// The gateway: a blue box with a front panel, three status lights and a network socket, and the
// two arrows of a transfer under them.
const std::vector<Shape> kGateway = {
    {Shape::Rect, {4, 12, 56, 40, 7}, "#2b5797", "#1d3c68", 2},
    {Shape::Rect, {10, 18, 44, 12, 2}, "#e8eef7", nullptr, 0},
    {Shape::Circle, {17, 24, 3}, "#2fb36b", nullptr, 0},
    {Shape::Circle, {26, 24, 3}, "#2fb36b", nullptr, 0},
    {Shape::Circle, {35, 24, 3}, "#f0a30a", nullptr, 0},
    {Shape::Rect, {42, 20, 9, 8, 1}, "#3c3c3c", nullptr, 0},
    {Shape::Line, {12, 38, 50, 38}, nullptr, "#ffffff", 3},
    {Shape::Polygon, {52, 38, 45, 33.5, 45, 42.5}, "#ffffff", nullptr, 0},
    {Shape::Line, {14, 46, 52, 46}, nullptr, "#ffffff", 3},
    {Shape::Polygon, {12, 46, 19, 41.5, 19, 50.5}, "#ffffff", nullptr, 0},
};

// A project file: a page with a folded corner and a small gateway on it.
const std::vector<Shape> kProject = {
    {Shape::Polygon, {12, 3, 40, 3, 53, 16, 53, 61, 12, 61}, "#ffffff", "#5a5a5a", 2},
    {Shape::Polygon, {40, 3, 40, 16, 53, 16}, "#d9d9d9", "#5a5a5a", 2},
    {Shape::Rect, {18, 28, 29, 22, 4}, "#2b5797", nullptr, 0},
    {Shape::Rect, {21, 32, 23, 7, 1}, "#e8eef7", nullptr, 0},
    {Shape::Circle, {25, 35.5, 2}, "#2fb36b", nullptr, 0},
    {Shape::Circle, {31, 35.5, 2}, "#2fb36b", nullptr, 0},
    {Shape::Circle, {37, 35.5, 2}, "#f0a30a", nullptr, 0},
    {Shape::Line, {22, 45, 43, 45}, nullptr, "#ffffff", 2},
};

QString points(const std::vector<double> &v)
{
    QStringList out;
    for (std::size_t i = 0; i + 1 < v.size(); i += 2)
        out << QStringLiteral("%1,%2").arg(v[i]).arg(v[i + 1]);
    return out.join(QLatin1Char(' '));
}

QString svgOf(const std::vector<Shape> &shapes)
{
    QString svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
                                 "viewBox=\"0 0 64 64\">\n");
    for (const Shape &s : shapes) {
        const QString paint = QStringLiteral(" fill=\"%1\" stroke=\"%2\" stroke-width=\"%3\" stroke-linejoin=\"round\"")
                                  .arg(QLatin1String(s.fill ? s.fill : "none"),
                                       QLatin1String(s.stroke ? s.stroke : "none"))
                                  .arg(s.width);
        switch (s.kind) {
        case Shape::Rect:
            svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\"%6/>\n")
                       .arg(s.v[0]).arg(s.v[1]).arg(s.v[2]).arg(s.v[3]).arg(s.v[4]).arg(paint);
            break;
        case Shape::Circle:
            svg += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\"%4/>\n").arg(s.v[0]).arg(s.v[1]).arg(s.v[2]).arg(paint);
            break;
        case Shape::Polygon:
            svg += QStringLiteral("  <polygon points=\"%1\"%2/>\n").arg(points(s.v), paint);
            break;
        case Shape::Line:
            svg += QStringLiteral("  <polyline points=\"%1\"%2 stroke-linecap=\"round\"/>\n").arg(points(s.v), paint);
            break;
        }
    }
    return svg + QStringLiteral("</svg>\n");
}

QImage pngOf(const std::vector<Shape> &shapes, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    for (const Shape &s : shapes) {
        QPen pen = s.stroke ? QPen(QColor(QLatin1String(s.stroke)), s.width) : QPen(Qt::NoPen);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(s.fill ? QBrush(QColor(QLatin1String(s.fill))) : QBrush(Qt::NoBrush));
        QPolygonF polygon;
        for (std::size_t i = 0; i + 1 < s.v.size(); i += 2)
            polygon << QPointF(s.v[i], s.v[i + 1]);
        switch (s.kind) {
        case Shape::Rect:
            p.drawRoundedRect(QRectF(s.v[0], s.v[1], s.v[2], s.v[3]), s.v[4], s.v[4]);
            break;
        case Shape::Circle:
            p.drawEllipse(QPointF(s.v[0], s.v[1]), s.v[2], s.v[2]);
            break;
        case Shape::Polygon:
            p.drawPolygon(polygon);
            break;
        case Shape::Line:
            p.drawPolyline(polygon);
            break;
        }
    }
    return image;
}

bool write(const QString &root, const QString &context, const QString &name, const std::vector<Shape> &shapes)
{
    const QString scalable = QStringLiteral("%1/hicolor/scalable/%2").arg(root, context);
    QFile svg(scalable + QLatin1Char('/') + name + QStringLiteral(".svg"));
    if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly) || svg.write(svgOf(shapes).toUtf8()) < 0)
        return false;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/%3").arg(root).arg(size).arg(context);
        if (!QDir().mkpath(dir) || !pngOf(shapes, size).save(dir + QLatin1Char('/') + name + QStringLiteral(".png")))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tqv580-icons OUTPUT_DIRECTORY\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    if (!write(root, QStringLiteral("apps"), QStringLiteral("tqv580"), kGateway) ||
        !write(root, QStringLiteral("mimetypes"), QStringLiteral("application-x-tqv580-project"), kProject)) {
        std::fprintf(stderr, "tqv580-icons: cannot write under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
