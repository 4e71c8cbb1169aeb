#pragma once

#include "resources/Strings.h"

#include <QString>

namespace tqv {

// A string-table text as a QString.
inline QString qtext(StrId id) { return QString::fromStdString(text(id)); }

// Status-line part and tooltip part of a command's "status\ntooltip" text.
inline QString statusPart(StrId id) { return qtext(id).section(QLatin1Char('\n'), 0, 0).trimmed(); }
inline QString tooltipPart(StrId id) { return qtext(id).section(QLatin1Char('\n'), 1).trimmed(); }

} // namespace tqv
