#include "TitleWidth.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace tqv {

namespace {

void widenToTitle(QDialog *dialog)
{
    int needed = titleBarWidth(dialog);
    if (const QScreen *screen = dialog->screen())
        needed = std::min(needed, screen->availableGeometry().width());
    if (dialog->minimumWidth() >= needed)
        return;
    // A message box sets its own fixed size whenever its layout changes; a strut in its layout
    // makes it count the title.
    if (auto *grid = qobject_cast<QGridLayout *>(qobject_cast<QMessageBox *>(dialog) ? dialog->layout() : nullptr)) {
        grid->addItem(new QSpacerItem(needed, 0), grid->rowCount(), 0, 1, grid->columnCount());
        return;
    }
    dialog->setMinimumWidth(needed);
}

class TitleWidthFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType())
            if (auto *dialog = qobject_cast<QDialog *>(watched); dialog && dialog->isWindow())
                widenToTitle(dialog);
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int titleBarWidth(const QWidget *window)
{
    // Desktops draw titles in a bold variant of the window font, more or less.
    QFont font = window->font();
    font.setBold(true);
    const int text = QFontMetrics(font).horizontalAdvance(window->windowTitle());
    const QStyle *style = window->style();
    const int bar = style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    const int frame = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
    // The icon and the close, maximise and minimise buttons are about as wide as the bar is high.
    return text + 4 * bar + 2 * frame;
}

void fitDialogsToTheirTitles()
{
    static bool installed = false;
    if (installed || !qApp)
        return;
    installed = true;
    qApp->installEventFilter(new TitleWidthFilter(qApp));
}

} // namespace tqv
