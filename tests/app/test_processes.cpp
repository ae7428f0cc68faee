// The program started as real processes: where it keeps its offset files,
// and that only one copy runs at a time.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <signal.h>

namespace {

const QString kTitle = QStringLiteral("ネルファ送り状印刷");

class Copies {
public:
    Copies()
    {
        // The program folder gets its own copy of the executable, so the
        // offset files appear beside it; the runtime folder holds the lock.
        QDir(m_dir.path()).mkdir("program");
        QDir(m_dir.path()).mkdir("run");
        QFile::setPermissions(m_dir.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::copy(QStringLiteral(NERUFA_TESTCOPY), programPath());
    }
    ~Copies()
    {
        for (QProcess *p : m_started) {
            p->kill();
            p->waitForFinished(5000);
            delete p;
        }
    }

    QString programDir() const { return m_dir.filePath("program"); }
    QString programPath() const { return m_dir.filePath("program/nerufa-slip"); }
    QString lockPath() const { return m_dir.filePath("run/nerufa-slip.lock"); }

    QProcess *start(const QString &program = QString())
    {
        auto *process = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", m_dir.filePath("run"));
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::SeparateChannels);
        process->start(program.isEmpty() ? programPath() : program, {});
        m_started << process;
        return process;
    }

    // Reads the copy's report lines until one starts with `prefix`.
    static QString waitFor(QProcess *process, const QString &prefix, int ms = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        QByteArray seen;
        while (clock.elapsed() < ms) {
            while (process->canReadLine()) {
                const QString line = QString::fromUtf8(process->readLine()).trimmed();
                if (line.startsWith(prefix))
                    return line;
            }
            if (process->state() == QProcess::NotRunning && !process->canReadLine())
                return QString();
            process->waitForReadyRead(100);
        }
        return QString();
    }

private:
    QTemporaryDir m_dir;
    QList<QProcess *> m_started;
};

} // namespace

class TestProcesses : public QObject {
    Q_OBJECT

private slots:
    void secondCopyIsRefusedAndAKilledCopyDoesNotBlock()
    {
        Copies copies;
        QProcess *first = copies.start();
        QCOMPARE(Copies::waitFor(first, "SHOWN"), QStringLiteral("SHOWN"));
        // The offset files were made beside the executable.
        QVERIFY(QFileInfo::exists(copies.programDir() + "/nerufax1.txt"));
        QCOMPARE(QFileInfo(copies.programDir() + "/nerufay1.txt").size(), 4); // "70" CR LF

        QProcess *second = copies.start();
        QCOMPARE(Copies::waitFor(second, "MESSAGE"), "MESSAGE " + kTitle + "|多重起動できません。");
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(!second->readAllStandardOutput().contains("SHOWN"));
        QCOMPARE(first->state(), QProcess::Running);

        // A lock held for a long time is still held: age alone never makes
        // it stale.
        QFile lock(copies.lockPath());
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        lock.close();
        QProcess *third = copies.start();
        QVERIFY(Copies::waitFor(third, "MESSAGE").endsWith(QStringLiteral("多重起動できません。")));
        QVERIFY(third->waitForFinished(10000));

        // A copy killed outright leaves its lock file behind; the next start
        // sees that its process is gone and runs.
        ::kill(pid_t(first->processId()), SIGKILL);
        QVERIFY(first->waitForFinished(5000));
        QVERIFY(QFileInfo::exists(copies.lockPath()));
        QProcess *fourth = copies.start();
        QCOMPARE(Copies::waitFor(fourth, "SHOWN"), QStringLiteral("SHOWN"));
        QCOMPARE(fourth->state(), QProcess::Running);
    }

    void startedThroughALinkKeepsOffsetsBesideTheExecutable()
    {
        Copies copies;
        QTemporaryDir elsewhere;
        const QString link = elsewhere.filePath("nerufa-slip");
        QVERIFY(QFile::link(copies.programPath(), link));
        QProcess *copy = copies.start(link);
        QCOMPARE(Copies::waitFor(copy, "SHOWN"), QStringLiteral("SHOWN"));
        QVERIFY(QFileInfo::exists(copies.programDir() + "/nerufax1.txt"));
        QVERIFY(!QFileInfo::exists(elsewhere.filePath("nerufax1.txt")));
    }
};

QTEST_GUILESS_MAIN(TestProcesses)
#include "test_processes.moc"
