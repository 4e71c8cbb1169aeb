#include "ManualLocation.h"

#include <QDir>
#include <QFileInfo>

namespace tqv {

QStringList manualCandidates(const QString &programDir, Language language)
{
    const QString page = QStringLiteral("%1/index.html")
                             .arg(language == Language::Chinese ? QStringLiteral("zh") : QStringLiteral("en"));
    const QDir dir(programDir);
    return {QDir::cleanPath(dir.filePath(QStringLiteral("../share/doc/tqv580/manual/") + page)),
            QDir::cleanPath(dir.filePath(QStringLiteral("../manual/") + page))};
}

QString findManual(const QString &programDir, Language language)
{
    for (const QString &candidate : manualCandidates(programDir, language))
        if (QFileInfo(candidate).isFile())
            return candidate;
    return {};
}

} // namespace tqv
