#include "program.h"

#include "fonts.h"
#include "mainwindow.h"
#include "processenv.h"
#include "slipstyle.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QTranslator>

void setupApplication(QApplication &app)
{
    // The icon lives in this static library; make sure its resource is linked.
    Q_INIT_RESOURCE(app);
    nerufa::processenv::ignoreFileSizeSignal();
    app.setApplicationName(QStringLiteral("nerufa-slip"));
    // No application display name: a desktop appends it to every dialog
    // title (" ネルファ送り状　　 — ネルファ送り状印刷"). Each window and message
    // box carries its full title itself.

    // Qt's own Japanese texts, so standard buttons read はい / いいえ / キャンセル.
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);

    app.setStyle(new SlipStyle);
    nerufa::fonts::registerSubstitutions();
    // 8 pt keeps the captions inside the small fixed labels of the window;
    // the toggle buttons and the frame titles carry sizes of their own.
    app.setFont(QFont(nerufa::fonts::screenFace(), 8));
}

int runProgram(const StartupEnvironment &environment)
{
    MainWindow window;
    if (!window.load(environment))
        return 0;
    // Centred on the screen the window opens on.
    if (const QScreen *screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    QTimer::singleShot(0, &window, &MainWindow::showStartupWarnings);
    return QApplication::exec();
}
