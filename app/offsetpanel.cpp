// The print-offset panel: opening and closing it, the spinners that write
// their boxes, saving the offsets and the position-check print.
#include "mainwindow.h"

#include "offsetfiles.h"
#include "printjobs.h"
#include "ui_mainwindow.h"

void MainWindow::showOffsetPanel(bool down)
{
    guardedCall([&] {
        ui->OnOffBtn->setText(down ? QStringLiteral("調整") : QString());
        ui->CyouseiFrm->setVisible(down);
    });
}

void MainWindow::copyOffsetX(int value)
{
    guardedCall([&] {
        ui->Sayuu_Xtxt->setText(QString::number(value));
    });
}

void MainWindow::copyOffsetY(int value)
{
    guardedCall([&] {
        ui->Jyouge_Ytxt->setText(QString::number(value));
    });
}

void MainWindow::saveOffsetsClicked()
{
    guardedCall([&] {
        nerufa::offsets::saveOffsets({m_offsetFileX, m_offsetFileY}, ui->Sayuu_Xtxt->text(), ui->Jyouge_Ytxt->text());
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
