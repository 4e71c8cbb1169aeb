#include "TitleWidth.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QPointer>
#include <QStyle>
#include <QTimer>

namespace tqv {

namespace {

void widenToTitle(QWidget *window)
{
    const int needed = titleBarWidth(window);
    if (window->minimumWidth() >= needed)
        return;
    // Message boxes fix their size; a fixed width grows as a whole.
    if (window->minimumWidth() == window->maximumWidth())
        window->setFixedWidth(needed);
    else
        window->setMinimumWidth(needed);
}

class TitleWidthFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *dialog = qobject_cast<QDialog *>(watched);
            if (dialog && dialog->isWindow()) {
                widenToTitle(dialog);
                // A dialog that sizes itself while it is shown (a message box) is widened again after.
                QTimer::singleShot(0, dialog, [window = QPointer<QDialog>(dialog)] {
                    if (window)
                        widenToTitle(window);
                });
            }
        }
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
