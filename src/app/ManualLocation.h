#pragma once

#include "resources/Strings.h"

#include <QString>
#include <QStringList>

namespace tqv {

// Where Help > Content looks for the HTML manual of a language, in order: installed
// (<program dir>/../share/doc/tqv580/manual/<en|zh>/index.html), then the build tree
// (<program dir>/../manual/<en|zh>/index.html).
QStringList manualCandidates(const QString &programDir, Language language);

// The first candidate that exists as a file; empty when there is none.
QString findManual(const QString &programDir, Language language);

} // namespace tqv
