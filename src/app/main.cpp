#include "AppStartup.h"
#include "CMainFrame.h"
#include "CModbusConfigView.h"
#include "DemoGateway.h"
#include "FileAssociation.h"
#include "QtText.h"
#include "io/QtSettingsStore.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    // --help and --version need no display: they are answered before the toolkit starts.
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const tqv::StartupOptions early = tqv::parseStartupArguments(raw);
    const char *env = std::getenv("TQV580_LANG");
    auto chooseLanguage = [env](const QString &option) {
        tqv::setLanguage(tqv::chooseLanguage(option.toStdString(), env ? env : "", QLocale::system().name().toStdString()));
    };
    chooseLanguage(early.language);
    if (early.help) {
        std::fputs(tqv::text(tqv::StrId::AppUsage).c_str(), stdout);
        return 0;
    }
    if (early.version) {
        std::printf("tqv580 %s\n", TQV580_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(tqv::QtSettingsStore::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(tqv::QtSettingsStore::kApplication));
    // The icon the package installs in the hicolor theme (none when run from the build tree).
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tqv580")));

    const tqv::StartupOptions options = tqv::parseStartupArguments(app.arguments().mid(1));
    chooseLanguage(options.language);

    if (!options.badOption.isEmpty()) {
        std::fprintf(stderr, "%s\n", tqv::formatText(tqv::StrId::CliUnknownOption, {options.badOption.toStdString()}).c_str());
        return 2;
    }

    tqv::installQtTranslations(tqv::currentLanguage());
    tqv::registerFileAssociation(QCoreApplication::applicationFilePath());

    tqv::CMainFrame frame;
    if (!options.projectPath.isEmpty() && !frame.startWithProject(options.projectPath))
        return 1;
    if (options.demo && !frame.startDemo(tqv::DemoGateway::simulatorBesideProgram()))
        return 1;
    frame.show();
    frame.setWindowTitle(tqv::qtext(tqv::StrId::AppTitle));
    return app.exec();
}
