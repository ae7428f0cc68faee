#include "appsetup.h"

#include "fonts.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <csignal>

namespace nerufa {

void setUpApplication(QGuiApplication &app)
{
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    app.setApplicationName(QStringLiteral("nerufa-slip"));
    // No application display name: a desktop appends it to every dialog
    // title (" ネルファ送り状　　 — ネルファ送り状印刷"). Each window and message
    // box carries its full title itself.
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
    fonts::registerSubstitutions();
}

} // namespace nerufa
