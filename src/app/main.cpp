#include "AppStartup.h"
#include "CMainFrame.h"
#include "CModbusConfigView.h"
#include "FileAssociation.h"
#include "QtText.h"
#include "io/QtSettingsStore.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(tqv::QtSettingsStore::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(tqv::QtSettingsStore::kApplication));

    const tqv::StartupOptions options = tqv::parseStartupArguments(app.arguments().mid(1));
    const char *env = std::getenv("TQV580_LANG");
    tqv::setLanguage(tqv::chooseLanguage(options.language.toStdString(), env ? env : "",
                                         QLocale::system().name().toStdString()));

    if (!options.badOption.isEmpty()) {
        std::fprintf(stderr, "%s\n", tqv::formatText(tqv::StrId::CliUnknownOption, {options.badOption.toStdString()}).c_str());
        return 2;
    }

    tqv::installQtTranslations(tqv::currentLanguage());
    tqv::registerFileAssociation(QCoreApplication::applicationFilePath());

    tqv::CMainFrame frame;
    if (!options.projectPath.isEmpty() && !frame.startWithProject(options.projectPath))
        return 1;
    frame.show();
    frame.setWindowTitle(tqv::qtext(tqv::StrId::AppTitle));
    return app.exec();
}
