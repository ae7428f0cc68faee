// The single-copy lock: a lock file that no running copy holds never keeps
// the operator out; a running copy still keeps a second one out.
#include "singlecopy.h"

#include <QLockFile>
#include <QtTest>

using State = SingleCopyLock::State;

class TestLock : public QObject {
    Q_OBJECT

private slots:
    void brokenLocks_data()
    {
        QTest::addColumn<QByteArray>("content"); // of the lock file; "/…" makes it a folder
        QTest::addColumn<bool>("held");          // by a running copy before the start
        QTest::addColumn<int>("state");
        QTest::newRow("junk bytes") << QByteArray("\xff\xfe\x00junk\n", 8) << false << int(State::Held);
        QTest::newRow("0 bytes: a copy killed while writing it") << QByteArray() << false << int(State::Held);
        QTest::newRow("an empty folder") << QByteArray("/") << false << int(State::Held);
        QTest::newRow("a folder with something in it") << QByteArray("/kept") << false << int(State::Unusable);
        QTest::newRow("a copy still writing it") << QByteArray() << true << int(State::OtherCopyRuns);
    }
    void brokenLocks()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, held);
        QTemporaryDir dir;
        const QString path = dir.filePath("nerufa-slip.lock");
        QLockFile running(path);
        QVERIFY(!held || running.tryLock(0));
        QFile file(path);
        if (content.startsWith('/'))
            QVERIFY(QDir(dir.path()).mkpath(path + content));
        else
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size());
        file.close();

        QFETCH(int, state);
        const SingleCopyLock start = SingleCopyLock::take(path);
        QCOMPARE(int(start.state), state);
        QCOMPARE(QFileInfo::exists(path + "/kept"), content == "/kept"); // nothing kept there is deleted
        if (state == int(State::Held)) // taken again: the next copy is refused
            QCOMPARE(int(SingleCopyLock::take(path).state), int(State::OtherCopyRuns));
    }
};

QTEST_MAIN(TestLock)
#include "test_lock.moc"
