#pragma once

#include "resources/Strings.h"

#include <QString>
#include <QStringList>

namespace tqv {

struct StartupOptions {
    QString language;    // "en", "zh" or empty
    QString projectPath; // empty: start with a new configuration
    QString badOption;   // an option given without its value; the program refuses to start
    bool demo = false;    // --demo: a simulated gateway of the configuration's type is started
    bool help = false;    // --help / -h: the usage is printed, no window
    bool version = false; // --version: the version is printed, no window
};

// Loads Qt's own translations (standard buttons, file dialogs) for the UI language; English needs
// none. Returns whether they were found (Debian: qt6-translations-l10n).
bool installQtTranslations(Language language);

// Reads the program's arguments (without the program name): `--lang en|zh`, `--demo`, `--help`,
// `--version` and a project path.
// A path with blanks that arrives split into several arguments is joined again with single blanks.
StartupOptions parseStartupArguments(const QStringList &arguments);

} // namespace tqv
