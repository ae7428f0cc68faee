// The offset files: the reading rule, saves that replace a file whole or not
// at all, and faults: a pipe, a link to one or a big file at start-up and
// under 「ズレ保存」, a file-size limit, a program folder whose name Qt
// cannot hold. What start-up makes of good files is in test_startup.

#include "offsetfiles.h"
#include "processenv.h"

#include <csignal>
#include "runtimeerror.h"
#include "testsupport.h"

#include <QScopeGuard>
#include <QtTest>
#include <future>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using nerufa::RuntimeError;
using nerufa::testsupport::guardRow;
namespace off = nerufa::offsets;

namespace {

// The file's bytes, or a marker no test writes when there is no file.
QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : "<no file>";
}

using nerufa::testsupport::writeFile;

// What f did: the number, or the error's kind name followed by the file
// its detail names.
QString outcome(const std::function<int()> &f)
{
    try {
        return QString::number(f());
    } catch (const RuntimeError &e) {
        return e.message().section(u'\n', 0, 0) + QFileInfo(e.detail().section(u'「', 1).section(u'」', 0, 0)).fileName();
    }
}

const QString kMismatchX = QStringLiteral("型が一致しません。nerufax1.txt");
const QString kOverflowX = QStringLiteral("オーバーフローしました。nerufax1.txt");
const QString kFileError = QStringLiteral("ファイルの読み書きに失敗しました。");

} // namespace

class TestOffsets : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    off::OffsetPaths paths() const { return off::OffsetPaths::in(m_dir->path()); }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        // As the program does at start: past a file-size limit a write fails
        // instead of the signal ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
    }
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void readingRule_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("read");
        QTest::newRow("0-byte file") << QByteArray() << "0";
        QTest::newRow("LF, lone CR, empty lines, no end") << QByteArray("\r\n1\n\r2\r\n\r\n3") << "123";
        QTest::newRow("half to even, down") << QByteArray("30.5\r\n") << "30";
        QTest::newRow("blanks around") << QByteArray(" -12 \r\n") << "-12";
        QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF" "70\r\n") << "70";
        QTest::newRow("int32 max") << QByteArray("2147483647\r\n") << "2147483647";
        QTest::newRow("only CR LF (saved empty box)") << QByteArray("\r\n") << kMismatchX;
        QTest::newRow("junk") << QByteArray("\x01" "30mm\x7f\r\n") << kMismatchX;
        QTest::newRow("blank inside joined text") << QByteArray("3 \r\n0\r\n") << kMismatchX;
        QTest::newRow("invalid UTF-8") << QByteArray("\xff" "30\r\n") << kMismatchX;
        QTest::newRow("past int32") << QByteArray("2147483648\r\n") << kOverflowX;
        QTest::newRow("huge") << QByteArray("1e400\r\n") << kOverflowX;
    }
    void readingRule()
    {
        guardRow([&] {
            QFETCH(QByteArray, bytes);
            QFETCH(QString, read);
            writeFile(paths().x, bytes);
            QCOMPARE(outcome([&] { return off::readOffsetFile(paths().x); }), read);
            QCOMPARE(bytesOf(paths().x), bytes); // reading never rewrites
        });
    }

    void saveReplacesEachFileWholeOrNotAtAll_data()
    {
        QTest::addColumn<QString>("xText");
        QTest::addColumn<QString>("yText");
        QTest::addColumn<QByteArray>("xBytes"); // afterwards
        QTest::addColumn<QByteArray>("yBytes"); // null: Y is a folder
        QTest::addColumn<QString>("error");
        const QByteArray old("123456789\r\n");
        QTest::newRow("30") << "30" << "70" << QByteArray::fromHex("33300d0a") << QByteArray("70\r\n") << "0";
        QTest::newRow("no number as typed, a number whole") << " 4a " << "1,000" << QByteArray(" 4a \r\n") << QByteArray("1000\r\n") << "0";
        QTest::newRow("X disk full") << "1234567890" << "70" << old << old << kFileError + "nerufax1.txt";
        QTest::newRow("Y disk full") << "30" << "1234567890" << QByteArray("30\r\n") << old << kFileError + "nerufay1.txt";
        QTest::newRow("Y is a folder") << "30" << "70" << QByteArray("30\r\n") << QByteArray() << kFileError + "nerufay1.txt";
    }
    void saveReplacesEachFileWholeOrNotAtAll()
    {
        guardRow([&] {
            QFETCH(QString, xText);
            QFETCH(QString, yText);
            QFETCH(QByteArray, xBytes);
            QFETCH(QByteArray, yBytes);
            QFETCH(QString, error);
            // Longer old contents: nothing of them may survive behind a new line.
            writeFile(paths().x, "123456789\r\n");
            QVERIFY(yBytes.isNull() ? QDir().mkdir(paths().y) : (writeFile(paths().y, "123456789\r\n"), true));
            const QStringList before = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden);
            {
                // Any file of this process stops at 8 bytes with EFBIG, as on a
                // full disk, which unlike permission bits also stops root.
                rlimit saved{};
                getrlimit(RLIMIT_FSIZE, &saved);
                const rlimit capped{8, saved.rlim_max};
                setrlimit(RLIMIT_FSIZE, &capped);
                const auto restore = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &saved); });
                QCOMPARE(outcome([&] { return off::saveOffsets(paths(), xText, yText), 0; }), error);
            }
            QCOMPARE(bytesOf(paths().x), xBytes);
            QCOMPARE(bytesOf(paths().y), yBytes.isNull() ? "<no file>" : yBytes);
            QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden), before); // no temporary left
        });
    }

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
        QVERIFY(content.isNull() ? mkfifo(QFile::encodeName(thing), 0600) == 0 : (writeFile(thing, content), true));
        QVERIFY(!linked || QFile::link(thing, p.x));

        auto loading = std::async(std::launch::async, [&] { return off::loadOffsets(p); });
        if (loading.wait_for(std::chrono::seconds(3)) != std::future_status::ready)
            QFile(thing).open(QIODevice::WriteOnly); // stuck opening the pipe: a writer comes and goes
        const off::LoadedOffsets loaded = loading.get();
        QCOMPARE(loaded.x, 0);
        QCOMPARE(loaded.warnings.size(), 1);
        QVERIFY(loaded.warnings[0].contains(p.x));
        QCOMPARE(bytesOf(thing), content.isNull() ? "<no file>" : content); // left as it was

        if (linked) {
            QVERIFY_THROWS_EXCEPTION(RuntimeError, off::saveOffsets(p, "30", "70"));
            QVERIFY(QFileInfo(p.x).isSymLink() && !QFileInfo(thing).isFile());
        } else {
            off::saveOffsets(p, "30", "70");
            QCOMPARE(bytesOf(p.x), "30\r\n");
        }
    }

    // A program folder the user cannot write to (as root: with the effective
    // user nobody while the place is resolved): the offsets live in the
    // user's folder, made on the first save; until then an axis reads the
    // file beside the program (an administrator's calibration) or takes the
    // neutral value, without a warning. Writable, the folder keeps them.
    void perUser_data()
    {
        QTest::addColumn<QByteArray>("beside"); // X file beside the program; null: none
        QTest::addColumn<QByteArray>("own");    // X file in the user's folder; null: none
        QTest::addColumn<QString>("read");      // X, its file, warnings, Y, its file
        QTest::newRow("new user, nothing beside") << QByteArray() << QByteArray() << "30  0 70 ";
        QTest::newRow("administrator's calibration") << QByteArray("42\r\n") << QByteArray() << "42 program/nerufax1.txt 0 70 ";
        QTest::newRow("own file first") << QByteArray("42\r\n") << QByteArray("28\r\n") << "28 config/nerufa-slip/nerufax1.txt 0 70 ";
        QTest::newRow("own file no number") << QByteArray("42\r\n") << QByteArray("\r\n") << "0 config/nerufa-slip/nerufax1.txt 1 70 ";
    }
    void perUser()
    {
        guardRow([&] {
            QFETCH(QByteArray, beside);
            QFETCH(QByteArray, own);
            QFETCH(QString, read);
            const QDir dir(m_dir->path());
            QVERIFY(dir.mkpath("program") && (own.isNull() || dir.mkpath("config/nerufa-slip")));
            for (const auto &[file, bytes] : {std::pair{"program/nerufax1.txt", beside}, {"config/nerufa-slip/nerufax1.txt", own}})
                if (!bytes.isNull())
                    writeFile(dir.filePath(file), bytes);
            QVERIFY(QFile::setPermissions(dir.filePath("program"), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
            QVERIFY(seteuid(geteuid() ? geteuid() : 65534) == 0);
            const off::OffsetPlace place = off::resolvePlace(dir.filePath("program"), dir.filePath("config"));
            QVERIFY(seteuid(getuid()) == 0 && place.perUser);

            const off::LoadedOffsets loaded = off::loadOffsets(place);
            QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5").arg(loaded.x).arg(dir.relativeFilePath(loaded.xFile)).arg(loaded.warnings.size()).arg(loaded.y).arg(dir.relativeFilePath(loaded.yFile)), read);
            QCOMPARE(dir.exists("config"), !own.isNull()); // nothing made at start
            off::saveOffsets(place, "31", "69");
            QCOMPARE(bytesOf(dir.filePath("config/nerufa-slip/nerufax1.txt")) + bytesOf(dir.filePath("config/nerufa-slip/nerufay1.txt")), "31\r\n69\r\n");
            QCOMPARE(bytesOf(dir.filePath("program/nerufax1.txt")), beside.isNull() ? "<no file>" : beside);
            QVERIFY(QFile::setPermissions(dir.filePath("program"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            QVERIFY(!off::resolvePlace(dir.filePath("program"), dir.filePath("config")).perUser); // writable: beside the program
        });
    }

    // A user folder that cannot be made (a file stands in its place): the
    // save stops with the message naming the X file; nothing is written.
    void perUserFolderNotWritable()
    {
        const QDir dir(m_dir->path());
        writeFile(dir.filePath("config"), "not a folder");
        const auto save = [&] { return off::saveOffsets(off::resolvePlace(dir.filePath("no program"), dir.filePath("config")), "31", "69"), 0; };
        QCOMPARE(outcome(save), kFileError + "nerufax1.txt");
        QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"config"});
    }

    // A folder named in bytes that are no UTF-8 has no paths: nothing is
    // read from or saved to the working directory instead.
    void namelessFolderEndsInAMessage()
    {
        const auto none = off::OffsetPaths::in(nerufa::processenv::folderOfExecutable("/caf\xe9/n").value_or(""));
        QDir::setCurrent(m_dir->path());
        QCOMPARE(off::loadOffsets(none).warnings.size(), 1);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, off::saveOffsets(none, "30", "70"));
        QVERIFY(QDir(m_dir->path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestOffsets)
#include "test_offsets.moc"
