#include "mainwindow.h"

#include "csvbatch.h"
#include "cupsqueues.h"
#include "legibility.h"
#include "printersetupdialog.h"
#include "printjobs.h"
#include "qtprinter.h"
#include "runtimeerror.h"
#include "textnum.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QLabel>
#include <QLockFile>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <exception>

using nerufa::RuntimeError;

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

} // namespace

MainWindow::MainWindow(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::Form1>())
{
    ui->setupUi(this);
    setFixedSize(size());
    // A caption of blanks only opens a gap in the frame's top edge where the
    // sender title stands; Designer forms drop such a string, so it is set here.
    ui->Frame1_1->setTitle(QString(98, QLatin1Char(' ')));
    // Every caption and every number the boxes may hold shows whole.
    for (QLabel *label : findChildren<QLabel *>())
        legibility::fitCaption(label);
    for (SlipLineEdit *box : {ui->SuuryouBox1, ui->SuuryouBox2, ui->TankaBox1, ui->TankaBox2, ui->KingakuBox1,
                              ui->KingakuBox2, ui->GoukeiBox})
        legibility::fitNumberBox(box);

    // The current printer, in the left part of the otherwise empty Frame5;
    // the right part stays free for a button.
    m_printerLabel = new QLabel(ui->Frame5);
    m_printerLabel->setObjectName(QStringLiteral("PurintaLb"));
    m_printerLabel->setGeometry(8, 12, 272, 36);
    m_printerLabel->setFocusPolicy(Qt::NoFocus);
    // Printing a CSV file of orders: a button right of the printer line and
    // files dropped on the window.
    new CsvBatch(this, ui->Frame5);

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

const nerufa::PrinterChoice &MainWindow::printerChoice()
{
    if (!m_printerChoice) {
        const nerufa::cupsqueues::DefaultQueue found = nerufa::cupsqueues::userDefault();
        m_printerChoice = found.choice;
        m_defaultGoneNotice = found.namedDefaultGone;
    }
    return *m_printerChoice;
}

void MainWindow::setPrinterChoice(const nerufa::PrinterChoice &choice)
{
    m_printerChoice = choice;
    m_defaultGoneNotice = false;
    showPrinterChoice();
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // Looked up once the window has been drawn for the first time, so the
    // print system never delays the start.
    if (!m_printerShown) {
        m_printerShown = true;
        QTimer::singleShot(0, this, &MainWindow::showPrinterChoice);
    }
}

void MainWindow::showPrinterChoice()
{
    const QString text = nerufa::describePrinterChoice(printerChoice());
    m_printerLabel->setText(m_printerLabel->fontMetrics().elidedText(text, Qt::ElideMiddle,
                                                                     m_printerLabel->width()));
    m_printerLabel->setToolTip(text);
}

void MainWindow::runPrintJob(const std::function<void(nerufa::Printer &)> &job)
{
    const nerufa::PrinterChoice &choice = printerChoice();
    if (m_defaultGoneNotice && choice.kind == nerufa::PrinterChoice::Kind::Queue) {
        m_defaultGoneNotice = false;
        QMessageBox::information(this, applicationTitle(),
                                 QStringLiteral("前に選ばれていたプリンタが見つからないため、"
                                                "既定のプリンタ「%1」で印刷します。")
                                     .arg(choice.target));
    }
    // A new printer for every job: one that failed once is never reused.
    const std::unique_ptr<QPrinter> printer = nerufa::makePrinter(choice);
    nerufa::QtPrinter qtPrinter(*printer);
    job(qtPrinter);
}

QString MainWindow::applicationTitle()
{
    return QStringLiteral("ネルファ送り状印刷");
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

nerufa::SlipSnapshot MainWindow::snapshot() const
{
    nerufa::SlipSnapshot s;
    s.offsetXText = ui->Sayuu_Xtxt->text();
    s.offsetYText = ui->Jyouge_Ytxt->text();

    s.recipientPostal = ui->T_1_Yuubin->text();
    s.recipientAddress1 = ui->T_2_Jyuusyo->text();
    s.recipientAddress2 = ui->T_3_Jyuusyo->text();
    s.recipientName = ui->T_4_Namae->text();
    s.recipientCareOf = ui->T_5_Samakata->text();
    s.recipientCareOfVisible = !ui->T_5_Samakata->isHidden();
    s.recipientPhone = ui->T_6_Denwaba->text();

    s.senderPostal = ui->iraiYuubin->currentText();
    s.senderAddress1 = ui->iraiJyuusyo1->currentText();
    s.senderAddress2 = ui->iraiJyuusyo2->currentText();
    s.senderName = ui->iraiNamae->currentText();
    s.senderCareOf = ui->iraiSamakata->currentText();
    s.senderCareOfVisible = !ui->iraiSamakata->isHidden();
    s.senderPhone = ui->iraiDenwa->currentText();

    s.desiredMonth = ui->KibouGatsuBox->currentText();
    s.desiredMonthVisible = !ui->KibouGatsuBox->isHidden();
    s.desiredDay = ui->KibouBiBox->currentText();
    s.desiredDayVisible = !ui->KibouBiBox->isHidden();

    const std::array timeSlots = {ui->O_Haitatsu1, ui->O_Haitatsu2, ui->O_Haitatsu3,
                              ui->O_Haitatsu4, ui->O_Haitatsu5, ui->O_Haitatsu6};
    for (int i = 0; i < int(timeSlots.size()); ++i) {
        if (timeSlots[i]->isChecked()) {
            s.timeSlot = i + 1;
            break;
        }
    }
    s.notification = ui->O_Tsuuchi1->isChecked() ? 1 : ui->O_Tsuuchi2->isChecked() ? 2 : 0;

    s.goods1 = ui->c_Hinmei->currentText();
    s.goods2 = ui->c_Hinmei2->currentText();
    s.productNumber1 = ui->SyouhinBangouBox1->text();
    s.productNumber2 = ui->SyouhinBangouBox2->text();

    s.numericToggleDown = ui->SuujiNyuuryokuBtn->isChecked();
    s.quantity1 = ui->SuuryouBox1->text();
    s.quantity2 = ui->SuuryouBox2->text();
    s.unitPrice1 = ui->TankaBox1->text();
    s.unitPrice2 = ui->TankaBox2->text();
    s.amount1 = ui->KingakuBox1->text();
    s.amount2 = ui->KingakuBox2->text();
    s.total = ui->GoukeiBox->text();
    return s;
}

// ---- Address blocks ------------------------------------------------------

void MainWindow::showRecipientCareOf(bool checked)
{
    guardedCall([&] {
        ui->T_5_Samakata->setVisible(checked);
    });
}

void MainWindow::showSenderCareOf(bool checked)
{
    guardedCall([&] {
        ui->iraiSamakata->setVisible(checked);
    });
}

void MainWindow::exchangeBlocks()
{
    guardedCall([&] {
        const std::array recipient = {ui->T_1_Yuubin, ui->T_2_Jyuusyo, ui->T_3_Jyuusyo,
                                      ui->T_4_Namae, ui->T_5_Samakata, ui->T_6_Denwaba};
        const std::array sender = {ui->iraiYuubin, ui->iraiJyuusyo1, ui->iraiJyuusyo2,
                                   ui->iraiNamae, ui->iraiSamakata, ui->iraiDenwa};
        // Every text is read before any is written, so each moves unchanged.
        std::array<QString, 6> recipientTexts;
        std::array<QString, 6> senderTexts;
        for (size_t i = 0; i < recipient.size(); ++i)
            recipientTexts[i] = recipient[i]->text();
        for (size_t i = 0; i < sender.size(); ++i)
            senderTexts[i] = sender[i]->currentText();
        for (size_t i = 0; i < recipient.size(); ++i)
            recipient[i]->setText(senderTexts[i]);
        for (size_t i = 0; i < sender.size(); ++i)
            sender[i]->setEditText(recipientTexts[i]);
    });
}

void MainWindow::clearRecipient()
{
    guardedCall([&] {
        for (QLineEdit *field : std::initializer_list<QLineEdit *>{ui->T_1_Yuubin, ui->T_2_Jyuusyo, ui->T_3_Jyuusyo,
                                                                    ui->T_4_Namae, ui->T_5_Samakata, ui->T_6_Denwaba})
            field->clear();
    });
}

void MainWindow::clearSender()
{
    guardedCall([&] {
        // clearEditText empties the edit text and leaves the (empty) list alone.
        for (QComboBox *field : std::initializer_list<QComboBox *>{ui->iraiYuubin, ui->iraiJyuusyo1, ui->iraiJyuusyo2,
                                                                    ui->iraiNamae, ui->iraiSamakata, ui->iraiDenwa})
            field->clearEditText();
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
        namespace tn = nerufa::textnum;
        const double quantity1 = tn::toDouble(ui->SuuryouBox1->text(), QStringLiteral("数量1"));
        const double price1 = tn::toDouble(ui->TankaBox1->text(), QStringLiteral("単価1"));
        const double quantity2 = tn::toDouble(ui->SuuryouBox2->text(), QStringLiteral("数量2"));
        const double price2 = tn::toDouble(ui->TankaBox2->text(), QStringLiteral("単価2"));
        const double amount1 = tn::checkedDouble(quantity1 * price1, QStringLiteral("金額1"));
        const double amount2 = tn::checkedDouble(quantity2 * price2, QStringLiteral("金額2"));
        const double total = tn::checkedDouble(quantity1 * price1 + quantity2 * price2, QStringLiteral("合計"));
        // All three are computed before any box changes: a failure leaves
        // every box as it was.
        const QString amount1Text = tn::formatGeneral(amount1);
        const QString amount2Text = tn::formatGeneral(amount2);
        const QString totalText = tn::formatGeneral(total);
        ui->KingakuBox1->setText(amount1Text);
        ui->KingakuBox2->setText(amount2Text);
        ui->GoukeiBox->setText(totalText);
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

// ---- Printing, printer setup and exit ------------------------------------

void MainWindow::printSlipClicked()
{
    guardedCall([&] {
        const nerufa::SlipSnapshot slip = snapshot();
        runPrintJob([&](nerufa::Printer &printer) { nerufa::printSlip(slip, m_jobState, printer); });
    });
}

void MainWindow::setUpPrinter()
{
    guardedCall([&] {
        // The dialog edits a copy; only OK changes the choice. A queue
        // chosen with OK becomes the user's default destination, so the
        // next start prints there too; a PDF file lasts until the end.
        PrinterSetupDialog dialog(printerChoice(), this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const nerufa::PrinterChoice chosen = dialog.choice();
        setPrinterChoice(chosen);
        QString reason;
        if (chosen.kind == nerufa::PrinterChoice::Kind::Queue && !nerufa::cupsqueues::setUserDefault(chosen, &reason)) {
            QMessageBox::warning(this, applicationTitle(),
                                 QStringLiteral("%1\nこのプログラムを終えるまでは「%2」に印刷します。")
                                     .arg(reason, chosen.target));
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
