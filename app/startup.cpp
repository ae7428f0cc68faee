// The window's load step: offset files, the optional controls hidden, the
// desired date preset, the lists filled, and the single-copy check.
#include "mainwindow.h"

#include "offsetfiles.h"
#include "processenv.h"
#include "singlecopy.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QMessageBox>
#include <QStandardPaths>

namespace {

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// "01", "02", ... up to `last`.
QStringList twoDigitNumbers(int last)
{
    QStringList items;
    for (int n = 1; n <= last; ++n)
        items << twoDigits(n);
    return items;
}

QStringList goodsList()
{
    return {QString(),
            QStringLiteral("衣類"),
            QStringLiteral("雑貨"),
            QStringLiteral("精密機械"),
            QStringLiteral("電化製品"),
            QStringLiteral("食品"),
            QStringLiteral("生物"),
            QStringLiteral("お菓子"),
            QStringLiteral("書類"),
            QStringLiteral("本"),
            QStringLiteral("食器"),
            QStringLiteral("割れ物")};
}

} // namespace

StartupEnvironment StartupEnvironment::forThisProgram()
{
    QString runtimeDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtimeDir.isEmpty())
        runtimeDir = QDir::tempPath();
    // The folder of the real executable, also when the program is started
    // through a link, so the offset files stay beside it; empty when its name
    // cannot be held (the offset code then refuses and says so).
    return {nerufa::processenv::programFolder(), QDate::currentDate(),
            QDir(runtimeDir).filePath(QStringLiteral("nerufa-slip.lock"))};
}

bool MainWindow::load(const StartupEnvironment &environment)
{
    namespace off = nerufa::offsets;

    // Offset files: both are created when missing before either is read.
    // A file that is not a number, or that cannot be created, gives 0 and a
    // warning instead of stopping the program.
    const off::OffsetPaths paths = off::OffsetPaths::in(environment.programDir);
    m_offsetFileX = paths.x;
    m_offsetFileY = paths.y;
    const off::LoadedOffsets loaded = off::loadOffsets(paths);
    m_startupWarnings = loaded.warnings;

    // The box always shows what the spinner holds; a stored value outside
    // the spinner's range is taken to its nearest end.
    ui->UpDownX->setValue(loaded.x);
    ui->Sayuu_Xtxt->setText(QString::number(ui->UpDownX->value()));
    ui->UpDownY->setValue(loaded.y);
    ui->Jyouge_Ytxt->setText(QString::number(ui->UpDownY->value()));

    setDesiredDateCaptionColour(false);
    for (QWidget *control : std::initializer_list<QWidget *>{ui->KibouGatsuBox, ui->KibouBiBox, ui->TsukiLb, ui->HiLb})
        control->hide();

    // Today's month and day as two digits, whatever the desktop's short date
    // format, so that they match the list items. The lists are filled first
    // because adding the first item to an empty list replaces its text.
    ui->KibouGatsuBox->addItems(twoDigitNumbers(12));
    ui->KibouGatsuBox->setEditText(twoDigits(environment.today.month()));
    ui->KibouBiBox->addItems(twoDigitNumbers(31));
    ui->KibouBiBox->setEditText(twoDigits(environment.today.day()));

    ui->CyouseiFrm->hide();
    ui->T_5_Samakata->hide();
    ui->iraiSamakata->hide();

    for (QComboBox *goods : std::initializer_list<QComboBox *>{ui->c_Hinmei, ui->c_Hinmei2}) {
        goods->addItems(goodsList());
        goods->setCurrentIndex(0);
    }

    // Only one copy at a time. A lock that no running copy holds never keeps
    // the program from starting: a broken one is replaced, and one that
    // cannot be used lets the program run without the check, saying so.
    SingleCopyLock single = SingleCopyLock::take(environment.lockFilePath);
    if (single.state == SingleCopyLock::State::OtherCopyRuns) {
        QMessageBox::warning(nullptr, applicationTitle(), QStringLiteral("多重起動できません。"));
        return false;
    }
    if (single.state == SingleCopyLock::State::Unusable)
        m_startupWarnings << SingleCopyLock::unusableMessage(environment.lockFilePath);
    m_lock = std::move(single.lock);
    return true;
}

void MainWindow::showStartupWarnings()
{
    if (!m_startupWarnings.isEmpty())
        QMessageBox::warning(this, applicationTitle(), m_startupWarnings.join(QLatin1Char('\n')));
}
