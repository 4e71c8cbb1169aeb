#include "QtSettingsStore.h"

#include <QSettings>

namespace tqv {

RecentFiles QtSettingsStore::loadRecentFiles() const
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
    std::vector<std::string> entries;
    for (std::size_t i = 1; i <= kRecentFileCount; ++i) {
        QString value = s.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!value.isEmpty())
            entries.push_back(value.toStdString());
    }
    RecentFiles files;
    files.setEntries(std::move(entries));
    return files;
}

void QtSettingsStore::saveRecentFiles(const RecentFiles &files) const
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
    s.remove(QStringLiteral("Recent File List"));
    std::size_t i = 1;
    for (const std::string &path : files.entries())
        s.setValue(QStringLiteral("Recent File List/File%1").arg(i++), QString::fromStdString(path));
}

QByteArray QtSettingsStore::loadWindowState() const
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
    return s.value(QStringLiteral("Window/State")).toByteArray();
}

void QtSettingsStore::saveWindowState(const QByteArray &state) const
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
    s.setValue(QStringLiteral("Window/State"), state);
}

bool QtSettingsStore::loadVerifyAfterDownload() const
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
    return s.value(QStringLiteral("Transfer/VerifyAfterDownload"), true).toBool();
}

void QtSettingsStore::saveVerifyAfterDownload(bool on) const
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kApplication);
    s.setValue(QStringLiteral("Transfer/VerifyAfterDownload"), on);
}

} // namespace tqv
