#pragma once

#include <QIcon>

namespace tqv {

// The program's own icons, drawn in code so that they stay crisp at any scale: one per toolbar
// command (by command id) and the two images of the configuration tree.
QIcon toolbarIcon(int commandId);
QIcon treeImage(int image);
QIcon applicationIcon();

} // namespace tqv
