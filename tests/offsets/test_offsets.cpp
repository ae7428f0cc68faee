#include "offsetfiles.h"
#include "runtimeerror.h"

#include <QtTest>
#include <csignal>
#include <functional>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

using nerufa::RuntimeError;
namespace off = nerufa::offsets;

Q_DECLARE_METATYPE(RuntimeError::Kind)

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

std::optional<RuntimeError> errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e;
    }
    return std::nullopt;
}

#ifdef Q_OS_UNIX
// Caps the size any file of this process may grow to, as a full disk would:
// a write past the cap stops short with EFBIG. Unlike permission bits this
// also stops root. SIGXFSZ is ignored meanwhile so that the write only fails.
class FileSizeCap {
public:
    explicit FileSizeCap(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit capped = m_saved;
        capped.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &capped);
    }
    ~FileSizeCap()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeCap(const FileSizeCap &) = delete;
    FileSizeCap &operator=(const FileSizeCap &) = delete;

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};
#endif

// How a test prepares an offset file's path before saving.
enum class Target { OldFile, InMissingFolder, IsDirectory };

} // namespace

Q_DECLARE_METATYPE(Target)

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
    void cleanup() { m_dir.reset(); }

    void readsNumbers_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expected");
        QTest::newRow("0-byte file") << QByteArray() << 0;
        QTest::newRow("one line") << QByteArray("30\r\n") << 30;
        QTest::newRow("two lines joined") << QByteArray("3\r\n0\r\n") << 30;
        QTest::newRow("no line end") << QByteArray("30") << 30;
        QTest::newRow("LF line ends") << QByteArray("3\n0\n") << 30;
        QTest::newRow("lone CR line ends") << QByteArray("3\r0\r") << 30;
        QTest::newRow("mixed line ends, empty lines") << QByteArray("\r\n1\n\r2\r\n\r\n") << 12;
        QTest::newRow("half to even, down") << QByteArray("30.5\r\n") << 30;
        QTest::newRow("half to even, up") << QByteArray("31.5\r\n") << 32;
        QTest::newRow("blanks around") << QByteArray(" -12 \r\n") << -12;
        QTest::newRow("fraction split over lines") << QByteArray("31.\r\n5\r\n") << 32;
        QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF" "70\r\n") << 70;
        QTest::newRow("int32 max") << QByteArray("2147483647\r\n") << 2147483647;
        QTest::newRow("int32 min") << QByteArray("-2147483648\r\n") << int(-2147483647 - 1);
    }
    void readsNumbers()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, expected);
        QCOMPARE(off::parseOffsetContent(bytes), expected);
        writeBytes(path("f.txt"), bytes);
        QCOMPARE(off::readOffsetFile(path("f.txt")), expected);
    }

    void rejectsWhatIsNoNumber_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<RuntimeError::Kind>("kind");
        const auto mismatch = RuntimeError::Kind::TypeMismatch;
        const auto overflow = RuntimeError::Kind::Overflow;
        QTest::newRow("only CR LF (saved empty box)") << QByteArray("\r\n") << mismatch;
        QTest::newRow("only blank lines") << QByteArray(" \r\n\t\n") << mismatch;
        QTest::newRow("letters") << QByteArray("abc\r\n") << mismatch;
        QTest::newRow("number then letters") << QByteArray("30mm\r\n") << mismatch;
        QTest::newRow("blank inside joined text") << QByteArray("3 \r\n0\r\n") << mismatch;
        QTest::newRow("NUL byte") << QByteArray("3\0" "0\r\n", 5) << mismatch;
        QTest::newRow("binary junk") << QByteArray("\x01\x7f\x80\xfe\r\n") << mismatch;
        QTest::newRow("invalid UTF-8") << QByteArray("\xff" "30\r\n") << mismatch;
        QTest::newRow("UTF-8 cut off at end") << QByteArray("30\xE3\x80") << mismatch;
        QTest::newRow("UTF-8 cut by a line end") << QByteArray("\xE3\r\n\x80\x80") << mismatch;
        QTest::newRow("full-width digits") << QByteArray("\xEF\xBC\x93\xEF\xBC\x90\r\n") << mismatch;
        QTest::newRow("nan") << QByteArray("nan") << mismatch;
        QTest::newRow("past int32") << QByteArray("2147483648\r\n") << overflow;
        QTest::newRow("below int32") << QByteArray("-2147483649\r\n") << overflow;
        QTest::newRow("half rounds past int32") << QByteArray("2147483647.5") << overflow;
        QTest::newRow("past double") << QByteArray("1e400\r\n") << overflow;
        QTest::newRow("digits over lines past int32") << QByteArray("99999\r\n99999\r\n") << overflow;
    }
    void rejectsWhatIsNoNumber()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(RuntimeError::Kind, kind);
        const auto pure = errorOf([&] { off::parseOffsetContent(bytes); });
        QVERIFY(pure);
        QCOMPARE(pure->kind(), kind);

        const QString file = path(QStringLiteral("nerufax1.txt"));
        writeBytes(file, bytes);
        const auto fromFile = errorOf([&] { off::readOffsetFile(file); });
        QVERIFY(fromFile);
        QCOMPARE(fromFile->kind(), kind);
        QVERIFY2(fromFile->detail().contains(QDir::toNativeSeparators(file)),
                 qPrintable(fromFile->detail()));
        QCOMPARE(readBytes(file), bytes); // reading never rewrites
    }

    void unreadableFileIsFileError_data()
    {
        QTest::addColumn<bool>("makeDirectory");
        QTest::newRow("missing") << false;
        QTest::newRow("a directory") << true;
    }
    void unreadableFileIsFileError()
    {
        QFETCH(bool, makeDirectory);
        const QString file = path(QStringLiteral("nerufay1.txt"));
        if (makeDirectory)
            QVERIFY(QDir().mkdir(file));
        const auto error = errorOf([&] { off::readOffsetFile(file); });
        QVERIFY(error);
        QCOMPARE(error->kind(), RuntimeError::Kind::FileError);
        QVERIFY(error->detail().contains(QDir::toNativeSeparators(file)));
    }

    void ensureExistsCreatesOnlyMissingFiles_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("missing") << false << QByteArray();
        QTest::newRow("empty file") << true << QByteArray();
        QTest::newRow("file with content") << true << QByteArray("30\r\n");
        QTest::newRow("file with junk") << true << QByteArray("\xff\x00zz", 4);
    }
    void ensureExistsCreatesOnlyMissingFiles()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, before);
        const QString file = path(QStringLiteral("nerufax1.txt"));
        if (exists)
            writeBytes(file, before);
        off::ensureExists(file);
        QCOMPARE(readBytes(file), before);
        QCOMPARE(entries(), QStringList{QStringLiteral("nerufax1.txt")});
    }

    void ensureExistsFailsWithoutFolder()
    {
        const QString file = path(QStringLiteral("gone/nerufax1.txt"));
        const auto error = errorOf([&] { off::ensureExists(file); });
        QVERIFY(error);
        QCOMPARE(error->kind(), RuntimeError::Kind::FileError);
        QVERIFY(error->detail().contains(QDir::toNativeSeparators(file)));
        QVERIFY(entries().isEmpty());
    }

    void saveWritesTheBoxTextAndCrLf_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("30") << "30" << QByteArray::fromHex("33300d0a");
        QTest::newRow("empty box") << "" << QByteArray::fromHex("0d0a");
        QTest::newRow("30.5") << "30.5" << QByteArray("30.5\r\n");
        QTest::newRow("typed text kept as it is") << " 4a " << QByteArray(" 4a \r\n");
    }
    void saveWritesTheBoxTextAndCrLf()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const auto p = paths();
        // Longer old content: nothing of it may survive behind the new line.
        writeBytes(p.x, "123456789\r\n");
        writeBytes(p.y, "123456789\r\n");
        off::saveOffsets(p, text, QStringLiteral("70"));
        QCOMPARE(readBytes(p.x), bytes);
        QCOMPARE(readBytes(p.y), QByteArray("70\r\n"));
        off::saveOffsets(p, QStringLiteral("30"), text);
        QCOMPARE(readBytes(p.y), bytes);
        QCOMPARE(entries(), (QStringList{QStringLiteral("nerufax1.txt"), QStringLiteral("nerufay1.txt")}));
    }

    void savedFileReadsBackAsTheBoxNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("30") << "30" << 30;
        QTest::newRow("-1000") << "-1000" << -1000;
        QTest::newRow("30.5") << "30.5" << 30;
        QTest::newRow("31.5") << "31.5" << 32;
        QTest::newRow("grouped") << "1,000" << 1000;
    }
    void savedFileReadsBackAsTheBoxNumber()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto p = paths();
        off::saveOffsets(p, text, text);
        QCOMPARE(off::readOffsetFile(p.x), expected);
        QCOMPARE(off::readOffsetFile(p.y), expected);
    }

    void failedSaveKeepsOldFilesWhole_data()
    {
        QTest::addColumn<Target>("xTarget");
        QTest::addColumn<Target>("yTarget");
        QTest::addColumn<int>("sizeCap"); // 0: none
        QTest::addColumn<QString>("xText");
        QTest::addColumn<QString>("yText");
        QTest::addColumn<bool>("xFails");
        // The cap lets "30\r\n" (4 bytes) through and stops a 12-byte line.
        QTest::newRow("X folder missing") << Target::InMissingFolder << Target::OldFile << 0
                                          << "30" << "70" << true;
        QTest::newRow("X disk full") << Target::OldFile << Target::OldFile << 8
                                     << "1234567890" << "70" << true;
        QTest::newRow("Y disk full") << Target::OldFile << Target::OldFile << 8
                                     << "30" << "1234567890" << false;
        QTest::newRow("Y folder missing") << Target::OldFile << Target::InMissingFolder << 0
                                          << "30" << "70" << false;
        QTest::newRow("Y is a directory") << Target::OldFile << Target::IsDirectory << 0
                                          << "30" << "70" << false;
    }
    void failedSaveKeepsOldFilesWhole()
    {
        QFETCH(Target, xTarget);
        QFETCH(Target, yTarget);
        QFETCH(int, sizeCap);
        QFETCH(QString, xText);
        QFETCH(QString, yText);
        QFETCH(bool, xFails);

        const QByteArray oldX("-15\r\n"), oldY("95\r\n");
        auto prepare = [&](Target target, const QString &name, const QByteArray &old) {
            switch (target) {
            case Target::OldFile:
                writeBytes(path(name), old);
                return path(name);
            case Target::InMissingFolder:
                return path(QStringLiteral("gone/") + name);
            case Target::IsDirectory:
                QDir().mkdir(path(name));
                return path(name);
            }
            return QString();
        };
        const off::OffsetPaths p{prepare(xTarget, QStringLiteral("nerufax1.txt"), oldX),
                                 prepare(yTarget, QStringLiteral("nerufay1.txt"), oldY)};
        const QStringList entriesBefore = entries();

        std::optional<RuntimeError> error;
        {
#ifdef Q_OS_UNIX
            std::optional<FileSizeCap> cap;
            if (sizeCap > 0)
                cap.emplace(rlim_t(sizeCap));
#else
            if (sizeCap > 0)
                QSKIP("needs a file size limit");
#endif
            error = errorOf([&] { off::saveOffsets(p, xText, yText); });
        }
        QVERIFY2(error, "a failed save must raise an error");
        QCOMPARE(error->kind(), RuntimeError::Kind::FileError);
        const QString failed = xFails ? p.x : p.y;
        QVERIFY2(error->detail().contains(QDir::toNativeSeparators(failed)), qPrintable(error->detail()));

        const auto expectX = xFails ? oldX : xText.toLatin1() + "\r\n";
        if (xTarget == Target::OldFile)
            QCOMPARE(readBytes(p.x), expectX);
        if (yTarget == Target::OldFile)
            QCOMPARE(readBytes(p.y), oldY);
        if (yTarget == Target::IsDirectory)
            QVERIFY(QFileInfo(p.y).isDir());
        // No temporary file is left behind.
        QCOMPARE(entries(), entriesBefore);
    }

    void freshFolderStartsAtZero()
    {
        const auto p = paths();
        const auto loaded = off::loadOffsets(p);
        QCOMPARE(loaded.x, 0);
        QCOMPARE(loaded.y, 0);
        QVERIFY(loaded.warnings.isEmpty());
        QCOMPARE(readBytes(p.x), QByteArray());
        QCOMPARE(readBytes(p.y), QByteArray());
    }

    void loadsAndClamps_data()
    {
        QTest::addColumn<QByteArray>("xBytes");
        QTest::addColumn<QByteArray>("yBytes");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QString>("warnedFile"); // empty: no warning
        QTest::newRow("saved 30 and 70") << QByteArray("30\r\n") << QByteArray("70\r\n") << 30 << 70 << "";
        QTest::newRow("past the spinner range")
            << QByteArray("5000\r\n") << QByteArray("-5000\r\n") << 1000 << -1000 << "";
        QTest::newRow("spinner ends") << QByteArray("1000") << QByteArray("-1000") << 1000 << -1000 << "";
        QTest::newRow("int32 extremes")
            << QByteArray("2147483647") << QByteArray("-2147483648") << 1000 << -1000 << "";
        QTest::newRow("junk X") << QByteArray("abc\r\n") << QByteArray("70\r\n") << 0 << 70 << "nerufax1.txt";
        QTest::newRow("empty box saved as Y") << QByteArray("30\r\n") << QByteArray("\r\n") << 30 << 0
                                              << "nerufay1.txt";
        QTest::newRow("overflowing Y") << QByteArray() << QByteArray("1e400") << 0 << 0 << "nerufay1.txt";
    }
    void loadsAndClamps()
    {
        QFETCH(QByteArray, xBytes);
        QFETCH(QByteArray, yBytes);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QString, warnedFile);
        const auto p = paths();
        writeBytes(p.x, xBytes);
        writeBytes(p.y, yBytes);
        const auto loaded = off::loadOffsets(p);
        QCOMPARE(loaded.x, x);
        QCOMPARE(loaded.y, y);
        if (warnedFile.isEmpty()) {
            QCOMPARE(loaded.warnings, QStringList());
        } else {
            QCOMPARE(loaded.warnings.size(), 1);
            QVERIFY2(loaded.warnings.first().contains(QDir::toNativeSeparators(path(warnedFile))),
                     qPrintable(loaded.warnings.first()));
        }
        // Start-up never rewrites a file, not even a bad one.
        QCOMPARE(readBytes(p.x), xBytes);
        QCOMPARE(readBytes(p.y), yBytes);
    }

    void folderThatCannotHoldFilesWarnsOncePerFile()
    {
        const auto p = off::OffsetPaths::in(path(QStringLiteral("gone")));
        const auto loaded = off::loadOffsets(p);
        QCOMPARE(loaded.x, 0);
        QCOMPARE(loaded.y, 0);
        QCOMPARE(loaded.warnings.size(), 2);
        QVERIFY(loaded.warnings[0].contains(QDir::toNativeSeparators(p.x)));
        QVERIFY(loaded.warnings[1].contains(QDir::toNativeSeparators(p.y)));
    }

    void bothFilesAreCreatedBeforeEitherIsRead()
    {
        // X is readable but holds junk; Y cannot be created. Creating both
        // first puts Y's warning ahead of X's.
        const off::OffsetPaths p{path(QStringLiteral("nerufax1.txt")),
                                 path(QStringLiteral("gone/nerufay1.txt"))};
        writeBytes(p.x, "junk\r\n");
        const auto loaded = off::loadOffsets(p);
        QCOMPARE(loaded.warnings.size(), 2);
        QVERIFY(loaded.warnings[0].contains(QDir::toNativeSeparators(p.y)));
        QVERIFY(loaded.warnings[1].contains(QDir::toNativeSeparators(p.x)));
    }
};

QTEST_GUILESS_MAIN(TestOffsets)
#include "test_offsets.moc"
