#include "FileAssociation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace tqv {

namespace {

bool writeIfMissing(const QString &path, const QByteArray &contents)
{
    if (QFileInfo::exists(path))
        return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(contents) == contents.size();
}

} // namespace

void registerFileAssociation(const QString &programPath)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return;
    QString exec = programPath;
    exec.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    const QByteArray desktop = QStringLiteral("[Desktop Entry]\n"
                                              "Type=Application\n"
                                              "Name=TQV-580 configurator\n"
                                              "Comment=Configure TQV-580 fieldbus gateways\n"
                                              "Exec=\"%1\" %f\n"
                                              "Terminal=false\n"
                                              "NoDisplay=true\n"
                                              "MimeType=application/x-tqv580-project;\n")
                                   .arg(exec)
                                   .toUtf8();
    const QByteArray mime = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                            "  <mime-type type=\"application/x-tqv580-project\">\n"
                            "    <comment>TQV-580 project</comment>\n"
                            "    <glob pattern=\"*.tqv\"/>\n"
                            "  </mime-type>\n"
                            "</mime-info>\n";
    writeIfMissing(data + QStringLiteral("/applications/tqv580-user.desktop"), desktop);
    if (writeIfMissing(data + QStringLiteral("/mime/packages/tqv580.xml"), mime)) {
        // Refresh the user's MIME database in the background when the tool is there.
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (!tool.isEmpty())
            QProcess::startDetached(tool, {data + QStringLiteral("/mime")});
    }
}

} // namespace tqv
