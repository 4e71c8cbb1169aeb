#pragma once

class QWidget;

namespace tqv {

// The width a window needs for its title to show whole: the title's text, the title bar's icon
// and buttons, and the frame.
int titleBarWidth(const QWidget *window);

// Once for the application: every dialog (message boxes included) is made at least as wide as its
// title when it is shown.
void fitDialogsToTheirTitles();

} // namespace tqv
