#include "mainwindow.h"

#include "apptitle.h"
#include "csvbatch.h"
#include "fields.h"
#include "formfields.h"
#include "historydesk.h"
#include "inputmethod.h"
#include "legibility.h"
#include "offsetnotice.h"
#include "offsetfiles.h"
#include "pagedestination.h"
#include "pageprinter.h"
#include "postalhints.h"
#include "printersetupdialog.h"
#include "printjobs.h"
#include "runtimeerror.h"
#include "singlecopy.h"
#include "spoolerprogress.h"
#include "sliprules.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <exception>

using nerufa::RuntimeError;
namespace slip = nerufa::slip;

namespace {

const QColor kCaptionBlack(0, 0, 0);
const QColor kCaptionGrey(128, 128, 128);

void setCaptionColour(QPushButton *button, const QColor &colour)
{
    QPalette palette = button->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::ButtonText, colour);
    button->setPalette(palette);
}

// The controls of an address block, in the table's order (postal code, two
// address lines, name, care-of, telephone).
QList<QWidget *> blockControls(const QWidget *form, slip::Block block)
{
    QList<QWidget *> controls;
    for (const slip::Field &field : slip::fields())
        if (field.block == block)
            controls << formfields::controlOf(form, field);
    return controls;
}

} // namespace

MainWindow::MainWindow(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::Form1>())
{
    ui->setupUi(this);
    setFixedSize(size());
    // A caption of blanks only opens a gap in the frame's top edge where the
    // sender title stands; Designer forms drop such a string, so it is set here.
    ui->Frame1_1->setTitle(QString(98, QLatin1Char(' ')));
    formfields::applyTable(this);
    // The input method follows the table's mode of the focused field.
    new InputMethodSwitch(this);

    // The current printer, in the left part of the otherwise empty Frame5;
    // the right part holds the CSV batch's button.
    m_printerLabel = new QLabel(ui->Frame5);
    m_printerLabel->setObjectName(QStringLiteral("PurintaLb"));
    m_printerLabel->setGeometry(8, 12, 272, 36);
    m_printerLabel->setFocusPolicy(Qt::NoFocus);
    m_csvBatch = new CsvBatch(this, ui->Frame5, m_printers, [this] {
        return std::pair(ui->Sayuu_Xtxt->text(), ui->Jyouge_Ytxt->text());
    });
    m_postalHints = new PostalHints(this);
    m_postalHints->loadLater(nerufa::postal::PostalSources::standard());
    // A CSV file offered at start may come before the first paint began the read.
    m_csvBatch->setPostalTable([this] {
        m_postalHints->loadPending();
        return m_postalHints->table();
    });

    // Every handler is connected here, by the control's pointer: a control
    // renamed in the form then fails to compile instead of silently losing
    // its handler.
    connect(ui->C_1_Samakata, &QCheckBox::toggled, this, &MainWindow::showRecipientCareOf);
    connect(ui->C_2_Samakata, &QCheckBox::toggled, this, &MainWindow::showSenderCareOf);
    connect(ui->z_Henkan, &QPushButton::clicked, this, &MainWindow::exchangeBlocks);
    connect(ui->T_clear1, &QPushButton::clicked, this, &MainWindow::clearRecipient);
    connect(ui->T_clear2, &QPushButton::clicked, this, &MainWindow::clearSender);
    connect(ui->SuujiNyuuryokuBtn, &QPushButton::toggled, this, &MainWindow::showNumericArea);
    connect(ui->GoukeiBtn, &QPushButton::clicked, this, &MainWindow::computeTotal);
    connect(ui->KibouBtn, &QPushButton::toggled, this, &MainWindow::showDesiredDate);
    connect(ui->OnOffBtn, &QPushButton::toggled, this, &MainWindow::showOffsetPanel);
    connect(ui->UpDownX, &UpDown::valueChanged, this, &MainWindow::copyOffsetX);
    connect(ui->UpDownY, &UpDown::valueChanged, this, &MainWindow::copyOffsetY);
    connect(ui->HozonBtn, &QPushButton::clicked, this, &MainWindow::saveOffsetsClicked);
    connect(ui->IchiBtn, &QPushButton::clicked, this, &MainWindow::printPositionCheckClicked);
    connect(ui->InsatsuBtn, &QPushButton::clicked, this, &MainWindow::printSlipClicked);
    connect(ui->PriDiaBtn, &QPushButton::clicked, this, &MainWindow::setUpPrinter);
    connect(ui->zEndBtn, &QPushButton::clicked, this, &MainWindow::exitClicked);
}

MainWindow::~MainWindow() = default;

// ---- Start-up --------------------------------------------------------------

bool MainWindow::load(const StartupEnvironment &environment)
{
    namespace off = nerufa::offsets;

    // Offset files, beside the program or per user (resolvePlace says which):
    // beside the program both are created when missing before either is
    // read. A file that is not a number, or that cannot be created, gives 0
    // and a warning instead of stopping the program.
    m_offsetPlace = off::resolvePlace(environment.programDir, environment.configFolder);
    const off::LoadedOffsets loaded = off::loadOffsets(m_offsetPlace);
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
    // format, so that they match the list items.
    ui->KibouGatsuBox->setEditText(slip::twoDigits(environment.today.month()));
    ui->KibouBiBox->setEditText(slip::twoDigits(environment.today.day()));

    ui->CyouseiFrm->hide();
    ui->T_5_Samakata->hide();
    ui->iraiSamakata->hide();
    ui->c_Hinmei->setCurrentIndex(0);
    ui->c_Hinmei2->setCurrentIndex(0);

    // Only one copy at a time. Only a running copy keeps the program from
    // starting: a lock that cannot be used lets it run without the check,
    // saying so.
    m_lock = SingleCopyLock::take(environment.lockFilePath);
    if (m_lock.state() == SingleCopyLock::State::OtherCopyRuns) {
        QMessageBox::warning(nullptr, applicationTitle(), QStringLiteral("多重起動できません。"));
        return false;
    }
    if (m_lock.state() == SingleCopyLock::State::Unusable)
        m_startupWarnings << SingleCopyLock::unusableMessage(environment.lockFilePath);

    // The slip history; nothing of it exists while it is switched off.
    if (!environment.historyProblem.isEmpty())
        m_startupWarnings << environment.historyProblem;
    m_history = new HistoryDesk(this, environment.history, m_printers, [this](const nerufa::SlipSnapshot &slip) {
        return printSnapshot(slip);
    });
    m_csvBatch->onPrinted([this](auto &&...printed) { m_history->recordBatch(printed...); });
    return true;
}

void MainWindow::offerCsvFile(const QString &path)
{
    QTimer::singleShot(0, m_csvBatch, [this, path] { m_csvBatch->printFile(path); });
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window the desktop does not draw (started minimised) gets no paint
    // event yet: what follows its appearance then comes after a moment.
    if (!m_afterShownQueued)
        QTimer::singleShot(kAfterShownFallbackMs, this, &MainWindow::queueAfterShown);
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    // Every caption and every number the boxes may hold shows whole. Fitted
    // here, where the window paints itself before its controls in its first
    // paint: the font is loaded once the window is on the screen, and the
    // controls already draw fitted.
    if (!m_fitted) {
        m_fitted = true;
        for (QLabel *label : findChildren<QLabel *>())
            legibility::fitCaption(label);
        for (SlipLineEdit *box : {ui->SuuryouBox1, ui->SuuryouBox2, ui->TankaBox1, ui->TankaBox2, ui->KingakuBox1,
                                  ui->KingakuBox2, ui->GoukeiBox})
            legibility::fitNumberBox(box);
    }
    QWidget::paintEvent(event);
    // The window paints itself first, then every control in the same pass;
    // the print system is asked once that pass is over, so the first paint
    // waits for nothing it does not need.
    queueAfterShown();
}

void MainWindow::queueAfterShown()
{
    if (m_afterShownQueued)
        return;
    m_afterShownQueued = true;
    QTimer::singleShot(0, this, &MainWindow::afterShown);
}

void MainWindow::afterShown()
{
    // The print system is asked in the background; the window answers
    // meanwhile, and shows the printer once it is known.
    // Whether the label shows "確認中" is asked once: a look-up that ends
    // between two questions would otherwise leave it showing that for good.
    m_printers.startLookUp();
    if (!showPrinterChoice()) {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this, poll] {
            if (showPrinterChoice())
                poll->deleteLater();
        });
        poll->start(100);
    }
    m_postalHints->loadPending();
    if (m_history)
        m_history->start();
    if (!m_startupWarnings.isEmpty())
        QMessageBox::warning(this, applicationTitle(), m_startupWarnings.join(QLatin1Char('\n')));
}

// ---- Common --------------------------------------------------------------

nerufa::SlipSnapshot MainWindow::snapshot() const
{
    return formfields::readSlip(this);
}

void MainWindow::setPrinterChoice(const nerufa::PrinterChoice &choice)
{
    m_printers.use(choice);
    showPrinterChoice();
}

bool MainWindow::showPrinterChoice()
{
    const nerufa::PrinterChoice *known = m_printers.known();
    const QString text = known ? nerufa::describePrinterChoice(*known) : QStringLiteral("プリンタ：確認中…");
    m_printerLabel->setText(m_printerLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, m_printerLabel->width()));
    m_printerLabel->setToolTip(text);
    return known != nullptr;
}

void MainWindow::runPrintJob(const std::function<void(nerufa::Printer &)> &job)
{
    SpoolerProgress waiting(this, QStringLiteral("印刷システム（CUPS）の応答を待っています…"));
    const nerufa::PrinterChoice choice = m_printers.current(waiting);
    showPrinterChoice();
    if (const std::optional<QString> notice = m_printers.takeDefaultGoneNotice())
        QMessageBox::information(this, applicationTitle(), *notice);
    const std::unique_ptr<nerufa::PageDestination> destination = nerufa::openDestination(choice, waiting);
    nerufa::PagePrinter printer(*destination);
    job(printer);
    destination->finish();
    // Taken, but not printed yet: a stopped printer keeps the page until it
    // is resumed. Printing again would make two.
    if (!destination->deliveries().isEmpty() && destination->deliveries().constLast().held) {
        QMessageBox::warning(this, applicationTitle(),
                             QStringLiteral("プリンタ「%1」は停止しています。送った送り状は、プリンタが再開されると"
                                            "印刷されます（もう一度「印刷」を押すと 2 枚になります）。")
                                 .arg(choice.target));
    }
}

void MainWindow::guardedCall(const std::function<void()> &body)
{
    try {
        body();
    } catch (const RuntimeError &error) {
        showError(error.message());
    } catch (const std::exception &error) {
        showError(QStringLiteral("予期しないエラーが発生しました。\n") + QString::fromLocal8Bit(error.what()));
    }
}

void MainWindow::showError(const QString &message)
{
    QMessageBox::critical(this, applicationTitle(), message);
}

// ---- Address blocks ------------------------------------------------------

void MainWindow::showRecipientCareOf(bool checked)
{
    guardedCall([&] { ui->T_5_Samakata->setVisible(checked); });
}

void MainWindow::showSenderCareOf(bool checked)
{
    guardedCall([&] { ui->iraiSamakata->setVisible(checked); });
}

void MainWindow::exchangeBlocks()
{
    guardedCall([&] {
        const QList<QWidget *> recipient = blockControls(this, slip::Block::Recipient);
        const QList<QWidget *> sender = blockControls(this, slip::Block::Sender);
        // Every text is read before any is written, so each moves unchanged.
        QStringList recipientTexts, senderTexts;
        for (const QWidget *control : recipient)
            recipientTexts << formfields::textOf(control);
        for (const QWidget *control : sender)
            senderTexts << formfields::textOf(control);
        for (qsizetype i = 0; i < recipient.size(); ++i)
            formfields::setTextOf(recipient[i], senderTexts[i]);
        for (qsizetype i = 0; i < sender.size(); ++i)
            formfields::setTextOf(sender[i], recipientTexts[i]);
    });
}

void MainWindow::clearRecipient()
{
    guardedCall([&] {
        for (QWidget *control : blockControls(this, slip::Block::Recipient))
            formfields::setTextOf(control, {});
    });
}

void MainWindow::clearSender()
{
    // Only the edit texts; the (empty) lists stay as they are.
    guardedCall([&] {
        for (QWidget *control : blockControls(this, slip::Block::Sender))
            formfields::setTextOf(control, {});
    });
}

// ---- Goods amounts and total ---------------------------------------------

void MainWindow::showNumericArea(bool down)
{
    guardedCall([&] {
        for (QWidget *control : std::initializer_list<QWidget *>{
                 ui->SuuryouLb, ui->TankaLb, ui->KingakuLb, ui->SuuryouBox1, ui->Kakeru1Lb, ui->TankaBox1,
                 ui->Equal1Lb, ui->KingakuBox1, ui->SuuryouBox2, ui->Kakeru2Lb, ui->TankaBox2, ui->Equal2Lb,
                 ui->KingakuBox2, ui->GoukeiBox, ui->GoukeiBtn})
            control->setVisible(down);
    });
}

void MainWindow::computeTotal()
{
    guardedCall([&] {
        // All three are computed before any box changes: a failure leaves
        // every box as it was.
        const slip::Amounts amounts = slip::computeAmounts(ui->SuuryouBox1->text(), ui->TankaBox1->text(),
                                                           ui->SuuryouBox2->text(), ui->TankaBox2->text());
        ui->KingakuBox1->setText(amounts.amount1);
        ui->KingakuBox2->setText(amounts.amount2);
        ui->GoukeiBox->setText(amounts.total);
    });
}

// ---- Desired delivery date -----------------------------------------------

void MainWindow::showDesiredDate(bool down)
{
    guardedCall([&] {
        for (QWidget *control : std::initializer_list<QWidget *>{ui->KibouGatsuBox, ui->KibouBiBox, ui->TsukiLb, ui->HiLb})
            control->setVisible(down);
        setDesiredDateCaptionColour(down);
    });
}

void MainWindow::setDesiredDateCaptionColour(bool down)
{
    setCaptionColour(ui->KibouBtn, down ? kCaptionBlack : kCaptionGrey);
}

// ---- Print-offset panel --------------------------------------------------

void MainWindow::showOffsetPanel(bool down)
{
    guardedCall([&] {
        ui->OnOffBtn->setText(down ? QStringLiteral("調整") : QString());
        ui->CyouseiFrm->setVisible(down);
    });
}

void MainWindow::copyOffsetX(int value)
{
    guardedCall([&] { ui->Sayuu_Xtxt->setText(QString::number(value)); });
}

void MainWindow::copyOffsetY(int value)
{
    guardedCall([&] { ui->Jyouge_Ytxt->setText(QString::number(value)); });
}

void MainWindow::saveOffsetsClicked()
{
    guardedCall([&] {
        nerufa::offsets::saveOffsets(m_offsetPlace, ui->Sayuu_Xtxt->text(), ui->Jyouge_Ytxt->text());
        offsetnotice::showSaved(ui->CyouseiFrm, m_offsetPlace);
    });
}

void MainWindow::printPositionCheckClicked()
{
    guardedCall([&] {
        const QString offsetX = ui->Sayuu_Xtxt->text();
        const QString offsetY = ui->Jyouge_Ytxt->text();
        runPrintJob([&](nerufa::Printer &printer) {
            nerufa::printPositionCheck(offsetX, offsetY, m_jobState, printer);
        });
    });
}

// ---- Printing, printer setup and exit ------------------------------------

void MainWindow::printSlipClicked()
{
    const nerufa::SlipSnapshot slip = snapshot();
    if (printSnapshot(slip) && m_history)
        m_history->recordPrinted(slip);
}

bool MainWindow::printSnapshot(const nerufa::SlipSnapshot &slip)
{
    bool printed = false;
    guardedCall([&] {
        runPrintJob([&](nerufa::Printer &printer) { nerufa::printSlip(slip, m_jobState, printer); });
        printed = true;
    });
    return printed;
}

void MainWindow::setUpPrinter()
{
    guardedCall([&] {
        // The dialog edits a copy; only OK changes the choice. A queue
        // chosen with OK becomes the user's default destination, so the
        // next start prints there too; a PDF file lasts until the end.
        SpoolerProgress waiting(this, QStringLiteral("プリンタの一覧を印刷システム（CUPS）に問い合わせています…"));
        const QList<nerufa::cupsqueues::Queue> queues = nerufa::PrinterSession::queues(waiting);
        PrinterSetupDialog dialog(m_printers.current(waiting), queues, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const nerufa::PrinterChoice chosen = dialog.choice();
        const std::optional<QString> notKept = m_printers.choose(chosen, waiting);
        showPrinterChoice();
        if (notKept) {
            QMessageBox::warning(this, applicationTitle(),
                                 QStringLiteral("%1\nこのプログラムを終えるまでは「%2」に印刷します。").arg(*notKept, chosen.target));
        }
    });
}

void MainWindow::exitClicked()
{
    guardedCall([&] {
        QMessageBox box(QMessageBox::Question, QStringLiteral(" ネルファ送り状\u3000\u3000"),
                        QStringLiteral("このプログラムを終了しますか？"), QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::Yes);
        box.setWindowModality(Qt::ApplicationModal);
        if (box.exec() != QMessageBox::Yes)
            return;
        // The program ends with its one window; quit() also stops the event loop
        // at once should anything else still be open.
        close();
        QCoreApplication::quit();
    });
}
