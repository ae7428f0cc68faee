// The single-copy lock at start-up: a lock that no running copy holds never
// keeps the operator out; a running copy still keeps a second one out.
#include "mainwindow.h"

#include <QApplication>
#include <QLockFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum class Before { Junk, Empty, EmptyFolder, FullFolder, UnderAFile, HeldRunning, HeldWhileWriting };

// One start of the window's load step with the lock at `lockPath`: whether
// it may run, its warnings, and what its message box said, if one came.
struct Start {
    std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>();
    bool runs = false;
    QString message;

    Start(const QTemporaryDir &dir, const QString &lockPath)
    {
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                message = box->text();
                box->done(QMessageBox::Ok);
            }
        });
        answer.start(10);
        runs = window->load({dir.path(), QDate(2004, 5, 21), lockPath});
    }
};

} // namespace

Q_DECLARE_METATYPE(Before)

class TestLock : public QObject {
    Q_OBJECT

private slots:
    void brokenLocks_data()
    {
        QTest::addColumn<Before>("before");
        QTest::addColumn<bool>("runs");
        QTest::addColumn<bool>("checked"); // runs holding the lock, no warning
        QTest::newRow("junk bytes") << Before::Junk << true << true;
        QTest::newRow("0 bytes: a copy killed while writing it") << Before::Empty << true << true;
        QTest::newRow("an empty folder") << Before::EmptyFolder << true << true;
        QTest::newRow("a folder that cannot be removed") << Before::FullFolder << true << false;
        QTest::newRow("a path that cannot be made") << Before::UnderAFile << true << false;
        QTest::newRow("held by a running copy") << Before::HeldRunning << false << true;
        QTest::newRow("held by a copy still writing it") << Before::HeldWhileWriting << false << true;
    }
    void brokenLocks()
    {
        QFETCH(Before, before);
        QFETCH(bool, runs);
        QFETCH(bool, checked);
        QTemporaryDir dir;
        QString lockPath = dir.filePath("nerufa-slip.lock");
        QLockFile other(lockPath);
        QFile file(lockPath);
        switch (before) {
        case Before::Junk:
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("\x00\xff\xfe junk\n\x01", 10));
            file.close();
            break;
        case Before::Empty:
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            break;
        case Before::FullFolder:
            QVERIFY(QDir(dir.path()).mkpath("nerufa-slip.lock/kept"));
            break;
        case Before::EmptyFolder:
            QVERIFY(QDir(dir.path()).mkdir("nerufa-slip.lock"));
            break;
        case Before::UnderAFile:
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            lockPath += "/nerufa-slip.lock";
            break;
        case Before::HeldRunning:
        case Before::HeldWhileWriting:
            QVERIFY(other.tryLock(0));
            if (before == Before::HeldWhileWriting)
                QVERIFY(file.resize(0)); // the owner is not written yet
            break;
        }

        const Start start(dir, lockPath);
        QCOMPARE(start.runs, runs);
        QCOMPARE(start.message, runs ? QString() : QStringLiteral("多重起動できません。"));
        QCOMPARE(start.window->startupWarnings(),
                 checked ? QStringList()
                         : QStringList{QStringLiteral("ロックファイル「%1」を使えないため、多重起動の確認をしないで起動しました。").arg(lockPath)});
        if (before == Before::FullFolder)
            QVERIFY(QFileInfo::exists(lockPath + "/kept"));
        if (runs && checked) {
            // The lock was taken again: a second copy is refused while this one runs.
            const Start second(dir, lockPath);
            QVERIFY(!second.runs);
            QCOMPARE(second.message, QStringLiteral("多重起動できません。"));
        }
    }
};

QTEST_MAIN(TestLock)
#include "test_lock.moc"
