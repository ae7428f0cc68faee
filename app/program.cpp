#include "program.h"

#include "appsetup.h"
#include "fonts.h"
#include "historycommands.h"
#include "historyerror.h"
#include "mainwindow.h"
#include "offsetfiles.h"
#include "processenv.h"
#include "slipstyle.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>

StartupEnvironment StartupEnvironment::forThisProgram()
{
    QString runtimeDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtimeDir.isEmpty())
        runtimeDir = QDir::tempPath();
    // The folder of the real executable, also when the program is started
    // through a link, so the offset files stay beside it; empty when its name
    // cannot be held (the offset code then refuses and says so).
    StartupEnvironment environment{nerufa::processenv::programFolder(), QDate::currentDate(),
                                   QDir(runtimeDir).filePath(QStringLiteral("nerufa-slip.lock")),
                                   nerufa::offsets::userConfigFolder()};
    try {
        environment.history = nerufa::history::chosenLocation(nerufa::cli::databaseArgument(QCoreApplication::arguments()));
    } catch (const nerufa::history::HistoryError &error) {
        environment.historyProblem = error.message() + QStringLiteral("\n履歴を使わずに続けます。");
    }
    return environment;
}

void setupWindowApplication(QApplication &app)
{
    // The icon lives in this static library; make sure its resource is linked.
    Q_INIT_RESOURCE(app);
    nerufa::setUpApplication(app);
    app.setStyle(new SlipStyle);
    // 8 pt keeps the captions inside the small fixed labels of the window;
    // the toggle buttons and the frame titles carry sizes of their own.
    app.setFont(QFont(nerufa::fonts::screenFace(), 8));
}

bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int runProgram(const QString &csvFile)
{
    MainWindow window;
    if (!window.load(StartupEnvironment::forThisProgram()))
        return 0;
    // Centred on the screen the window opens on.
    if (const QScreen *screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    if (!csvFile.isEmpty())
        window.offerCsvFile(csvFile);
    return QApplication::exec();
}
