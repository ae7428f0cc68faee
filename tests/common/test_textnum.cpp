// Text to number and back, as the offset boxes, the offset files and the
// total button use them; under other locales too, where the general format
// writes Latin digits, a plain minus and the locale's decimal separator,
// whatever the C library's number locale.
#include "runtimeerror.h"
#include "textnum.h"

#include <QtTest>
#include <clocale>

using nerufa::RuntimeError;
namespace tn = nerufa::textnum;

namespace {

const QLocale ja(QLocale::Japanese, QLocale::Japan);

// The number f gives, with all its digits, or the name of its error. Any
// other exception is an outcome too, so it fails only its own row.
template <typename F>
QString outcome(F f)
{
    try {
        return QString::number(double(f()), 'g', 17);
    } catch (const RuntimeError &e) {
        return e.message().section(u'\n', 0, 0); // the kind, as the message box's first line
    } catch (const std::exception &e) {
        return QStringLiteral("unexpected exception: ") + e.what();
    }
}

} // namespace

class TestTextNum : public QObject {
    Q_OBJECT

private slots:
    void conversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("read"); // as double, as single, as 32-bit whole number
        const QString mismatch = QStringLiteral("型が一致しません。");
        const QString overflow = QStringLiteral("オーバーフローしました。");
        QTest::newRow("blanks and tabs around") << " \t12 " << QStringList{"12", "12", "12"};
        QTest::newRow("grouped with fraction") << "1,500.25" << QStringList{"1500.25", "1500.25", "1500"};
        QTest::newRow("single rounded once") << "5.67" << QStringList{"5.6699999999999999", "5.6700000762939453", "6"};
        QTest::newRow("half to even, down") << "30.5" << QStringList{"30.5", "30.5", "30"};
        QTest::newRow("half to even, up") << "31.5" << QStringList{"31.5", "31.5", "32"};
        QTest::newRow("negative half") << "-0.5" << QStringList{"-0.5", "-0.5", "0"};
        QTest::newRow("int32 ends") << "-2147483648" << QStringList{"-2147483648", "-2147483648", "-2147483648"};
        QTest::newRow("past int32") << "2147483648" << QStringList{"2147483648", "2147483648", overflow};
        QTest::newRow("half past int32") << "2147483647.5" << QStringList{"2147483647.5", "2147483648", overflow};
        QTest::newRow("past single") << "-3.5e38" << QStringList{"-3.5e+38", overflow, overflow};
        QTest::newRow("past double") << "1e400" << QStringList{overflow, overflow, overflow};
        for (const char *text : {"", " ", "abc", "12a", "1 500", "nan", "inf", "0x10", "--1", "1,5,00", "１２"})
            QTest::newRow(text) << QString::fromUtf8(text) << QStringList{mismatch, mismatch, mismatch};
    }
    void conversions()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, read);
        QCOMPARE((QStringList{outcome([&] { return tn::toDouble(text, {}, ja); }),
                              outcome([&] { return tn::toSingle(text, {}, ja); }),
                              outcome([&] { return tn::toInt32(text, {}, ja); })}),
                 read);
    }

    // Whole numbers of plain digits, which are read and written without the
    // locale's parser, give exactly what the parser gives, in every locale.
    void plainDigitsAsQtReadsThem()
    {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::OmitGroupSeparator);
        for (const char *name : {"ja_JP", "ar_EG", "he_IL", "fa_IR", "hi_IN", "de_DE", "sv_SE"}) {
            const QLocale l(QString::fromLatin1(name));
            for (const char *text : {"0", "7", "0030", "4000", "2147483648", "999999999999999", "000000000000001"}) {
                QCOMPARE(tn::toDouble(QString::fromLatin1(text), {}, l), l.toDouble(QString::fromLatin1(text)));
                const double value = l.toDouble(QString::fromLatin1(text));
                for (const double v : {value, -value})
                    QCOMPARE(tn::formatGeneral(v, l), v == 0 ? QStringLiteral("0") : c.toString(v, 'G', 15));
            }
        }
    }

    // The general format, with the C library's number locale switched to
    // a decimal comma; what it writes, and the locale's own digits and
    // signs for the same number, read back as that number.
    void generalFormat_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("written"); // also what the operator types
        QTest::newRow("binary fraction hidden") << "ja_JP" << 3.0 * 1.1 << "3.3";
        QTest::newRow("negative zero") << "ja_JP" << -0.0 << "0";
        QTest::newRow("fifteen digits") << "ja_JP" << 123456789012345.0 << "123456789012345";
        QTest::newRow("sixteen digits") << "ja_JP" << 1234567890123456.0 << "1.23456789012346E+15";
        QTest::newRow("huge fraction") << "ja_JP" << 1.5e20 << "1.5E+20";
        QTest::newRow("small") << "ja_JP" << 0.0001 << "0.0001";
        QTest::newRow("tiny") << "ja_JP" << 0.00001 << "1E-05";
        QTest::newRow("no grouping") << "ja_JP" << 99999999.0 * 9.0 << "899999991";
        QTest::newRow("ja_JP fraction") << "ja_JP" << 30.5 << "30.5";
        QTest::newRow("ar_EG fraction") << "ar_EG" << 2400.5 << "2400\u066B5";
        QTest::newRow("he_IL minus") << "he_IL" << -21.0 << "-21";
        QTest::newRow("ur_PK tiny") << "ur_PK" << -1e-5 << "-1E-05";
        QTest::newRow("fa_IR exponent") << "fa_IR" << -1.5e20 << "-1\u066B5E+20";
    }
    void generalFormat()
    {
        QFETCH(QString, locale);
        QFETCH(double, value);
        QFETCH(QString, written);
        const QLocale l(locale);
        QVERIFY2(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), "de_DE.UTF-8 not generated (build.sh does it)");
        const QString text = tn::formatGeneral(value, l);
        std::setlocale(LC_NUMERIC, "C");
        QCOMPARE(text, written);
        QCOMPARE(tn::formatGeneral(tn::toDouble(" " + text + " ", {}, l), l), text);
        QCOMPARE(tn::formatGeneral(tn::toDouble(l.toString(value, 'f', 5), {}, l), l), text);
    }
};

QTEST_APPLESS_MAIN(TestTextNum)
#include "test_textnum.moc"
