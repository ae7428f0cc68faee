// The offset files: the reading rule, and saves that replace a file whole
// or not at all. What start-up makes of them is in test_startup.

#include "offsetfiles.h"
#include "runtimeerror.h"
#include "testsupport.h"

#include <QScopeGuard>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

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

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// What f did: the number, or the error's kind name followed by the file
// its detail names.
QString outcome(const std::function<int()> &f)
{
    try {
        return QString::number(f());
    } catch (const RuntimeError &e) {
        return RuntimeError::kindName(e.kind()) + QFileInfo(e.detail().section(u'「', 1).section(u'」', 0, 0)).fileName();
    }
}

const QString kMismatch = RuntimeError::kindName(RuntimeError::Kind::TypeMismatch);
const QString kOverflow = RuntimeError::kindName(RuntimeError::Kind::Overflow);
const QString kFileError = RuntimeError::kindName(RuntimeError::Kind::FileError);

} // namespace

class TestOffsets : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    off::OffsetPaths paths() const { return off::OffsetPaths::in(m_dir->path()); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void readingRule_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("read");
        QTest::newRow("0-byte file") << QByteArray() << "0";
        QTest::newRow("one line") << QByteArray("30\r\n") << "30";
        QTest::newRow("two lines joined") << QByteArray("3\r\n0\r\n") << "30";
        QTest::newRow("LF, lone CR, empty lines, no end") << QByteArray("\r\n1\n\r2\r\n\r\n3") << "123";
        QTest::newRow("half to even, down") << QByteArray("30.5\r\n") << "30";
        QTest::newRow("half to even, up") << QByteArray("31.5\r\n") << "32";
        QTest::newRow("blanks around") << QByteArray(" -12 \r\n") << "-12";
        QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF" "70\r\n") << "70";
        QTest::newRow("int32 max") << QByteArray("2147483647\r\n") << "2147483647";
        QTest::newRow("only CR LF (saved empty box)") << QByteArray("\r\n") << kMismatch + "nerufax1.txt";
        QTest::newRow("junk") << QByteArray("\x01" "30mm\x7f\r\n") << kMismatch + "nerufax1.txt";
        QTest::newRow("blank inside joined text") << QByteArray("3 \r\n0\r\n") << kMismatch + "nerufax1.txt";
        QTest::newRow("invalid UTF-8") << QByteArray("\xff" "30\r\n") << kMismatch + "nerufax1.txt";
        QTest::newRow("past int32") << QByteArray("2147483648\r\n") << kOverflow + "nerufax1.txt";
        QTest::newRow("huge") << QByteArray("1e400\r\n") << kOverflow + "nerufax1.txt";
    }
    void readingRule()
    {
        guardRow([&] {
            QFETCH(QByteArray, bytes);
            QFETCH(QString, read);
            write(paths().x, bytes);
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
            write(paths().x, "123456789\r\n");
            QVERIFY(yBytes.isNull() ? QDir().mkdir(paths().y) : (write(paths().y, "123456789\r\n"), true));
            const QStringList before = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden);
            {
                // Any file of this process stops at 8 bytes with EFBIG, as on a
                // full disk, which unlike permission bits also stops root.
                // SIGXFSZ is ignored meanwhile so that the write only fails.
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
                QCOMPARE(outcome([&] { return off::saveOffsets(paths(), xText, yText), 0; }), error);
            }
            QCOMPARE(bytesOf(paths().x), xBytes);
            QCOMPARE(bytesOf(paths().y), yBytes.isNull() ? "<no file>" : yBytes);
            QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden), before); // no temporary left
        });
    }
};

QTEST_GUILESS_MAIN(TestOffsets)
#include "test_offsets.moc"
