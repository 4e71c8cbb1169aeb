#pragma once

#include <QString>

namespace tqv {

// Makes .tqv projects open with this program for the current user: writes the desktop entry
// and the MIME type under the user's data directory when they are missing. Failures are
// ignored: the program works without the association.
void registerFileAssociation(const QString &programPath);

} // namespace tqv
