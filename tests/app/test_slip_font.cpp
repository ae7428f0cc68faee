// Run with a font configuration that has no fonts: 「印刷」 must say that no
// Japanese font is there, and nothing may reach the printer.
#include "mainwindow.h"
#include "program.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

class TestSlipFont : public QObject {
    Q_OBJECT

private slots:
    void noJapaneseFontNoPage()
    {
        QVERIFY(qEnvironmentVariable("FONTCONFIG_FILE").endsWith("no-fonts.conf"));
        setupApplication(*qApp);
        QTemporaryDir dir;
        MainWindow window;
        QVERIFY(window.load({dir.path(), QDate(2004, 5, 21), dir.filePath("lock")}));
        window.printer().setOutputFileName(dir.filePath("slip.pdf"));
        window.findChild<QLineEdit *>("T_4_Namae")->setText(QStringLiteral("山田"));
        QString message;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                message = box->text();
                box->done(QMessageBox::Ok);
            }
        });
        answer.start(10);
        window.findChild<QPushButton *>("InsatsuBtn")->click();
        QVERIFY2(message.startsWith(QStringLiteral("印刷できませんでした。")) && message.contains(QStringLiteral("日本語のフォント")),
                 qPrintable(message));
        QVERIFY(!QFileInfo::exists(dir.filePath("slip.pdf")));
    }
};

QTEST_MAIN(TestSlipFont)
#include "test_slip_font.moc"
