// Offset files under faults: a pipe, a link to one or a big file at start-up
// and under 「ズレ保存」, a file-size limit, a program folder whose name Qt
// cannot hold.
#include "offsetfiles.h"
#include "processenv.h"
#include "runtimeerror.h"

#include <QtTest>
#include <future>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace off = nerufa::offsets;
using nerufa::RuntimeError;

class TestOffsetFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    off::OffsetPaths paths() const { return off::OffsetPaths::in(m_dir->path()); }
    static QByteArray bytesOf(const QString &path)
    {
        QFile file(path);
        return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : "<none>";
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void oddFilesAreLeftAloneAndNeverWrittenThroughALink_data()
    {
        QTest::addColumn<bool>("linked");        // X is a link to the thing elsewhere
        QTest::addColumn<QByteArray>("content"); // null: a pipe
        QTest::newRow("pipe") << false << QByteArray();
        QTest::newRow("link to a pipe") << true << QByteArray();
        QTest::newRow("9000 blanks and 30") << false << QByteArray(9000, ' ') + "30\r\n";
    }
    void oddFilesAreLeftAloneAndNeverWrittenThroughALink()
    {
        QFETCH(bool, linked);
        QFETCH(QByteArray, content);
        const auto p = paths();
        const QString thing = linked ? m_dir->filePath("elsewhere") : p.x;
        QFile file(thing);
        QVERIFY(content.isNull() ? mkfifo(QFile::encodeName(thing), 0600) == 0
                                 : file.open(QIODevice::WriteOnly) && file.write(content) > 0);
        file.close();
        QVERIFY(!linked || QFile::link(thing, p.x));

        auto loading = std::async(std::launch::async, [&] { return off::loadOffsets(p); });
        if (loading.wait_for(std::chrono::seconds(3)) != std::future_status::ready)
            QFile(thing).open(QIODevice::WriteOnly); // stuck opening the pipe: a writer comes and goes
        const off::LoadedOffsets loaded = loading.get();
        QCOMPARE(loaded.x, 0);
        QCOMPARE(loaded.warnings.size(), 1);
        QVERIFY(loaded.warnings[0].contains(p.x));
        QCOMPARE(bytesOf(thing), content.isNull() ? "<none>" : content); // left as it was

        if (linked) {
            QVERIFY_THROWS_EXCEPTION(RuntimeError, off::saveOffsets(p, "30", "70"));
            QVERIFY(QFileInfo(p.x).isSymLink() && !QFileInfo(thing).isFile());
        } else {
            off::saveOffsets(p, "30", "70");
            QCOMPARE(bytesOf(p.x), "30\r\n");
        }
    }

    void fileSizeLimitAndNamelessFolderEndInAMessage()
    {
        // Past the file-size limit the save raises its error; with SIGXFSZ
        // not ignored, the signal would end the (child) process instead.
        const pid_t child = fork();
        if (child == 0) {
            nerufa::processenv::ignoreFileSizeSignal();
            const rlimit limit{2, 2};
            setrlimit(RLIMIT_FSIZE, &limit);
            try {
                off::saveOffsets(paths(), "30", "70");
            } catch (const RuntimeError &) {
                _exit(0);
            }
            _exit(1);
        }
        int status = 0;
        QVERIFY(waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0);

        // A folder named in bytes that are no UTF-8 has no paths: nothing is
        // read from or saved to the working directory instead.
        const auto none = off::OffsetPaths::in(nerufa::processenv::folderOfExecutable("/caf\xe9/n").value_or(""));
        QDir::setCurrent(m_dir->path());
        QCOMPARE(off::loadOffsets(none).warnings.size(), 1);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, off::saveOffsets(none, "30", "70"));
        QVERIFY(QDir(m_dir->path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestOffsetFaults)
#include "test_offset_faults.moc"
