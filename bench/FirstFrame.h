#pragma once
// Ends the process as soon as `window` has painted its first frame: the expose paints and flushes
// the backing store before the event loop turns again, so a call queued at the expose runs right
// after the flush. Exiting there keeps tear-down out of a whole-process timing.

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

class ExitAfterFirstFrame : public QObject {
public:
    explicit ExitAfterFirstFrame(QWidget *window) : m_window(window->windowHandle())
    {
        m_window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Expose && m_window->isExposed())
            QTimer::singleShot(0, [] {
                std::fflush(nullptr);
                std::_Exit(0);
            });
        return QObject::eventFilter(watched, event);
    }

private:
    QWindow *m_window;
};
