// The offset files: the reading rule, byte-exact saves that replace a file
// whole or not at all, and the start-up load that only warns.

#include "offsetfiles.h"
#include "runtimeerror.h"

#include <QScopeGuard>
#include <QtTest>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/resource.h>

using nerufa::RuntimeError;
using Kind = RuntimeError::Kind;
namespace off = nerufa::offsets;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The file's bytes; a marker no test writes when there is no readable file.
QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<no file>");
    return file.readAll();
}

// Checks that f raises `kind` with a detail that names `file`, when given.
void expectError(const std::function<void()> &f, Kind kind, const QString &file = {})
{
    try {
        f();
    } catch (const RuntimeError &e) {
        QCOMPARE(e.kind(), kind);
        QVERIFY2(e.detail().contains(QDir::toNativeSeparators(file)), qPrintable(e.detail()));
        return;
    }
    QFAIL("no error raised");
}

} // namespace

namespace nerufa {
char *toString(RuntimeError::Kind k) { return qstrdup(qPrintable(RuntimeError::kindName(k))); }
} // namespace nerufa

class TestOffsets : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    off::OffsetPaths paths() const { return off::OffsetPaths::in(m_dir->path()); }
    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void readingRule_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("value");
        QTest::addColumn<std::optional<Kind>>("error");
        const std::optional<Kind> none, mismatch = Kind::TypeMismatch, overflow = Kind::Overflow;
        QTest::newRow("0-byte file") << QByteArray() << 0 << none;
        QTest::newRow("one line") << QByteArray("30\r\n") << 30 << none;
        QTest::newRow("two lines joined") << QByteArray("3\r\n0\r\n") << 30 << none;
        QTest::newRow("no line end") << QByteArray("30") << 30 << none;
        QTest::newRow("LF, lone CR, empty lines") << QByteArray("\r\n1\n\r2\r\n\r\n") << 12 << none;
        QTest::newRow("half to even, down") << QByteArray("30.5\r\n") << 30 << none;
        QTest::newRow("half to even, up") << QByteArray("31.5\r\n") << 32 << none;
        QTest::newRow("blanks around") << QByteArray(" -12 \r\n") << -12 << none;
        QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF" "70\r\n") << 70 << none;
        QTest::newRow("int32 max") << QByteArray("2147483647\r\n") << 2147483647 << none;
        QTest::newRow("only CR LF (saved empty box)") << QByteArray("\r\n") << 0 << mismatch;
        QTest::newRow("junk") << QByteArray("\x01" "30mm\x7f\r\n") << 0 << mismatch;
        QTest::newRow("blank inside joined text") << QByteArray("3 \r\n0\r\n") << 0 << mismatch;
        QTest::newRow("invalid UTF-8") << QByteArray("\xff" "30\r\n") << 0 << mismatch;
        QTest::newRow("UTF-8 cut off at end") << QByteArray("30\xE3\x80") << 0 << mismatch;
        QTest::newRow("past int32") << QByteArray("2147483648\r\n") << 0 << overflow;
        QTest::newRow("huge") << QByteArray("1e400\r\n") << 0 << overflow;
    }
    void readingRule()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, value);
        QFETCH(std::optional<Kind>, error);
        const QString file = path("nerufax1.txt");
        writeBytes(file, bytes);
        if (error) {
            expectError([&] { off::parseOffsetContent(bytes); }, *error);
            expectError([&] { off::readOffsetFile(file); }, *error, file);
        } else {
            QCOMPARE(off::parseOffsetContent(bytes), value);
            QCOMPARE(off::readOffsetFile(file), value);
        }
        QCOMPARE(readBytes(file), bytes); // reading never rewrites
    }

    void ensureExistsCreatesOnlyMissingFiles()
    {
        const auto p = paths();
        expectError([&] { off::readOffsetFile(p.x); }, Kind::FileError, p.x);
        const QString inMissingFolder = path("gone/nerufax1.txt");
        expectError([&] { off::ensureExists(inMissingFolder); }, Kind::FileError, inMissingFolder);
        QVERIFY(entries().isEmpty());
        writeBytes(p.y, "\xff" "30\r\n");
        off::ensureExists(p.x);
        off::ensureExists(p.y);
        QCOMPARE(readBytes(p.x), QByteArray());
        QCOMPARE(readBytes(p.y), QByteArray("\xff" "30\r\n"));
        QCOMPARE(entries(), (QStringList{"nerufax1.txt", "nerufay1.txt"}));
    }

    void saveReplacesEachFileWholeOrNotAtAll_data()
    {
        QTest::addColumn<QString>("xText");
        QTest::addColumn<QString>("yText");
        QTest::addColumn<bool>("yIsDirectory");
        QTest::addColumn<QByteArray>("xBytes"); // afterwards
        QTest::addColumn<QByteArray>("yBytes");
        QTest::addColumn<QString>("failing"); // the file the error names; empty: none
        const QByteArray old("123456789\r\n"), none("<no file>");
        QTest::newRow("30") << "30" << "30" << false << QByteArray::fromHex("33300d0a")
                            << QByteArray::fromHex("33300d0a") << "";
        QTest::newRow("empty boxes") << "" << "" << false << QByteArray::fromHex("0d0a") << QByteArray::fromHex("0d0a") << "";
        QTest::newRow("texts kept as typed") << " 4a " << "1,000" << false << QByteArray(" 4a \r\n")
                                             << QByteArray("1,000\r\n") << "";
        QTest::newRow("X disk full") << "1234567890" << "70" << false << old << old << "nerufax1.txt";
        QTest::newRow("Y disk full") << "30" << "1234567890" << false << QByteArray("30\r\n") << old << "nerufay1.txt";
        QTest::newRow("Y is a directory") << "30" << "70" << true << QByteArray("30\r\n") << none << "nerufay1.txt";
    }
    void saveReplacesEachFileWholeOrNotAtAll()
    {
        QFETCH(QString, xText);
        QFETCH(QString, yText);
        QFETCH(bool, yIsDirectory);
        QFETCH(QByteArray, xBytes);
        QFETCH(QByteArray, yBytes);
        QFETCH(QString, failing);
        // Longer old contents: nothing of them may survive behind a new line.
        const auto p = paths();
        writeBytes(p.x, "123456789\r\n");
        if (yIsDirectory)
            QVERIFY(QDir().mkdir(p.y));
        else
            writeBytes(p.y, "123456789\r\n");
        const QStringList entriesBefore = entries();
        {
            // Any file of this process stops at 8 bytes with EFBIG, as on a
            // full disk, which unlike permission bits also stops root:
            // "30\r\n" goes through, a 12-byte line does not. SIGXFSZ is
            // ignored meanwhile so that the write only fails.
            rlimit saved{};
            getrlimit(RLIMIT_FSIZE, &saved);
            rlimit capped = saved;
            capped.rlim_cur = 8;
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            setrlimit(RLIMIT_FSIZE, &capped);
            const auto restore = qScopeGuard([&] {
                setrlimit(RLIMIT_FSIZE, &saved);
                std::signal(SIGXFSZ, oldHandler);
            });
            if (failing.isEmpty())
                off::saveOffsets(p, xText, yText);
            else
                expectError([&] { off::saveOffsets(p, xText, yText); }, Kind::FileError, path(failing));
        }
        QCOMPARE(readBytes(p.x), xBytes);
        QCOMPARE(readBytes(p.y), yBytes);
        QCOMPARE(entries(), entriesBefore); // no temporary file is left behind
    }

    void savedFileReadsBack()
    {
        const auto p = paths();
        off::saveOffsets(p, QStringLiteral("-1,000"), QString());
        QCOMPARE(off::readOffsetFile(p.x), -1000);
        expectError([&] { off::readOffsetFile(p.y); }, Kind::TypeMismatch, p.y);
    }

    void loadsAndClamps_data()
    {
        QTest::addColumn<QByteArray>("xBytes"); // null: no file
        QTest::addColumn<QByteArray>("yBytes");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QString>("warnedFile"); // empty: no warning
        QTest::newRow("saved 30 and 70") << QByteArray("30\r\n") << QByteArray("70\r\n") << 30 << 70 << "";
        QTest::newRow("past the spinner range")
            << QByteArray("5000\r\n") << QByteArray("-2147483648") << 1000 << -1000 << "";
        QTest::newRow("junk X") << QByteArray("abc\r\n") << QByteArray("70\r\n") << 0 << 70 << "nerufax1.txt";
        QTest::newRow("overflowing Y") << QByteArray("30\r\n") << QByteArray("1e400") << 30 << 0 << "nerufay1.txt";
    }
    void loadsAndClamps()
    {
        QFETCH(QByteArray, xBytes);
        QFETCH(QByteArray, yBytes);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QString, warnedFile);
        const auto p = paths();
        if (!xBytes.isNull())
            writeBytes(p.x, xBytes);
        if (!yBytes.isNull())
            writeBytes(p.y, yBytes);
        const auto loaded = off::loadOffsets(p);
        QCOMPARE(loaded.x, x);
        QCOMPARE(loaded.y, y);
        QCOMPARE(loaded.warnings.size(), warnedFile.isEmpty() ? 0 : 1);
        if (!warnedFile.isEmpty())
            QVERIFY2(loaded.warnings.first().contains(QDir::toNativeSeparators(path(warnedFile))),
                     qPrintable(loaded.warnings.first()));
        // Start-up never rewrites a file, not even a bad one.
        QCOMPARE(readBytes(p.x), xBytes);
        QCOMPARE(readBytes(p.y), yBytes);
    }

    void bothFilesAreCreatedBeforeEitherIsRead()
    {
        // X is readable but holds junk; Y cannot be created and is then not
        // read as well. Creating both first puts Y's warning ahead of X's.
        const off::OffsetPaths p{path("nerufax1.txt"), path("gone/nerufay1.txt")};
        writeBytes(p.x, "junk\r\n");
        const auto loaded = off::loadOffsets(p);
        QVERIFY(loaded.x == 0 && loaded.y == off::kNeutralY);
        QCOMPARE(loaded.warnings.size(), 2);
        QVERIFY(loaded.warnings[0].contains(QDir::toNativeSeparators(p.y)));
        QVERIFY(loaded.warnings[1].contains(QDir::toNativeSeparators(p.x)));
    }
};

QTEST_GUILESS_MAIN(TestOffsets)
#include "test_offsets.moc"
