#include "AppStartup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tqv {

bool installQtTranslations(Language language)
{
    if (language != Language::Chinese)
        return false;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

StartupOptions parseStartupArguments(const QStringList &arguments)
{
    StartupOptions options;
    QStringList words;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--lang")) {
            if (i + 1 >= arguments.size()) {
                options.badOption = a;
                break;
            }
            options.language = arguments.at(++i);
        } else if (a.startsWith(QLatin1String("--lang="))) {
            options.language = a.mid(7);
        } else if (a == QLatin1String("--demo")) {
            options.demo = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            options.help = true;
        } else if (a == QLatin1String("--version")) {
            options.version = true;
        } else if (a.startsWith(QLatin1String("-")) && words.isEmpty() && a.size() > 1) {
            // Options of the toolkit (-platform, -style ...) are taken by QApplication first.
            continue;
        } else {
            words.append(a);
        }
    }
    options.projectPath = words.join(QLatin1Char(' ')).trimmed();
    return options;
}

} // namespace tqv
