#include "DockPane.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

namespace tqv {

namespace {

// Two raised lines, like the grip of a classic docking bar; double-click floats the pane.
class Gripper : public QWidget {
public:
    explicit Gripper(QDockWidget *dock) : QWidget(dock), m_dock(dock)
    {
        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(4, 1, 1, 1);
        layout->addStretch();
        auto *close = new QToolButton(this);
        close->setAutoRaise(true);
        close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
        close->setIconSize(QSize(10, 10));
        close->setFixedSize(16, 16);
        close->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(close);
        connect(close, &QToolButton::clicked, dock, &QDockWidget::hide);
    }
    QSize sizeHint() const override { return {20, 18}; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const int right = width() - 22;
        for (int i = 0; i < 2; ++i) {
            const int y = 6 + i * 4;
            p.setPen(palette().color(QPalette::Light));
            p.drawLine(4, y, right, y);
            p.setPen(palette().color(QPalette::Mid));
            p.drawLine(4, y + 1, right, y + 1);
        }
    }
    void mouseDoubleClickEvent(QMouseEvent *) override { m_dock->setFloating(true); }

private:
    QDockWidget *m_dock;
};

} // namespace

DockPane::DockPane(const QString &windowText, int paneId, QWidget *parent)
    : QDockWidget(windowText, parent), m_paneId(paneId)
{
    setObjectName(QStringLiteral("pane%1").arg(paneId));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    m_gripper = new Gripper(this);
    setTitleBarWidget(m_gripper);
    connect(this, &QDockWidget::topLevelChanged, this, &DockPane::onTopLevelChanged);
}

void DockPane::onTopLevelChanged(bool floating)
{
    // While floating the window system's title bar (showing the window text) takes over.
    setTitleBarWidget(floating ? nullptr : m_gripper);
    if (!floating)
        m_gripper->show();
}

} // namespace tqv
