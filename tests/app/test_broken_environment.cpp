// What a damaged machine does to the program: a broken single-copy lock must
// not keep the operator out, and with no font that has the Japanese glyphs
// (this test runs with a font configuration that has no fonts) 「印刷」 must
// say so and send nothing to the printer.
#include "mainwindow.h"
#include "program.h"
#include "singlecopy.h"

#include <QApplication>
#include <QLineEdit>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using State = SingleCopyLock::State;
Q_DECLARE_METATYPE(State)

class TestBrokenEnvironment : public QObject {
    Q_OBJECT

private slots:
    void brokenLocks_data()
    {
        QTest::addColumn<QByteArray>("content"); // of the lock file; "/…" makes it a folder
        QTest::addColumn<bool>("held");          // by a running copy before the start
        QTest::addColumn<State>("state");
        QTest::newRow("junk bytes") << QByteArray("\xff\xfe\x00junk\n", 8) << false << State::Held;
        QTest::newRow("0 bytes: a copy killed while writing it") << QByteArray() << false << State::Held;
        QTest::newRow("an empty folder") << QByteArray("/") << false << State::Held;
        QTest::newRow("a folder with something in it") << QByteArray("/kept") << false << State::Unusable;
        QTest::newRow("a copy still writing it") << QByteArray() << true << State::OtherCopyRuns;
    }
    void brokenLocks()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, held);
        QFETCH(State, state);
        QTemporaryDir dir;
        const QString path = dir.filePath("nerufa-slip.lock");
        QLockFile running(path);
        QVERIFY(!held || running.tryLock(0));
        QFile file(path);
        QVERIFY(content.startsWith('/') ? QDir().mkpath(path + content)
                                        : file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        const SingleCopyLock start = SingleCopyLock::take(path);
        QCOMPARE(start.state, state);
        QCOMPARE(QFileInfo::exists(path + "/kept"), content == "/kept"); // nothing kept there is deleted
        if (state == State::Held) // the lock was taken again: the next copy is refused
            QCOMPARE(SingleCopyLock::take(path).state, State::OtherCopyRuns);
    }

    void noJapaneseFontNoPage()
    {
        QVERIFY(qEnvironmentVariable("FONTCONFIG_FILE").endsWith("no-fonts.conf"));
        setupApplication(*qApp);
        QTemporaryDir dir;
        MainWindow window;
        QVERIFY(window.load({dir.path(), QDate(2004, 5, 21), dir.filePath("lock")}));
        window.setPrinterChoice({nerufa::PrinterChoice::Kind::PdfFile, dir.filePath("slip.pdf"), {}, {}});
        window.findChild<QLineEdit *>("T_4_Namae")->setText(QStringLiteral("山田"));
        QString message;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            message = box ? box->text() : QString();
            if (box)
                box->done(QMessageBox::Ok);
        });
        window.findChild<QPushButton *>("InsatsuBtn")->click();
        QVERIFY2(message.startsWith(QStringLiteral("印刷できませんでした。\n")) && message.contains(QStringLiteral("日本語のフォント")),
                 qPrintable(message));
        QVERIFY(!QFileInfo::exists(dir.filePath("slip.pdf")));
    }
};

QTEST_MAIN(TestBrokenEnvironment)
#include "test_broken_environment.moc"
