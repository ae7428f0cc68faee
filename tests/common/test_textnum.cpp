#include "runtimeerror.h"
#include "textnum.h"

#include <QtTest>
#include <cmath>
#include <limits>

using nerufa::RuntimeError;
namespace tn = nerufa::textnum;

Q_DECLARE_METATYPE(RuntimeError::Kind)

namespace {

RuntimeError::Kind kindOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const RuntimeError &e) {
        return e.kind();
    }
    qFatal("no RuntimeError raised");
}

} // namespace

class TestTextNum : public QObject {
    Q_OBJECT

    const QLocale ja{QLocale::Japanese, QLocale::Japan};
    const QLocale de{QLocale::German, QLocale::Germany};

private slots:
    void toDoubleReadsLocaleNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain") << "1200" << 1200.0;
        QTest::newRow("blanks around") << "  12 " << 12.0;
        QTest::newRow("tabs around") << "\t7\t" << 7.0;
        QTest::newRow("grouped") << "1,500" << 1500.0;
        QTest::newRow("grouped with fraction") << "1,500.25" << 1500.25;
        QTest::newRow("fraction") << "1.5" << 1.5;
        QTest::newRow("signs") << "-3" << -3.0;
        QTest::newRow("plus") << "+3" << 3.0;
        QTest::newRow("exponent") << "1e39" << 1e39;
    }
    void toDoubleReadsLocaleNumbers()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(tn::toDouble(text, {}, ja), expected);
    }

    void decimalSeparatorFollowsLocale()
    {
        QCOMPARE(tn::toDouble("1,5", {}, de), 1.5);
        QCOMPARE(tn::toDouble("1.500", {}, de), 1500.0);
        QCOMPARE(tn::formatGeneral(4.5, de), QStringLiteral("4,5"));
    }

    void notANumberIsTypeMismatch_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *t : {"", " ", "abc", "12a", "1 500", "nan", "inf", "-inf", "0x10", "--1", "1,5,00"})
            QTest::newRow(t) << QString::fromLatin1(t);
        QTest::newRow("full-width digits") << QStringLiteral("１２");
    }
    void notANumberIsTypeMismatch()
    {
        QFETCH(QString, text);
        QCOMPARE(kindOf([&] { tn::toDouble(text, {}, ja); }), RuntimeError::Kind::TypeMismatch);
        QCOMPARE(kindOf([&] { tn::toSingle(text, {}, ja); }), RuntimeError::Kind::TypeMismatch);
        QCOMPARE(kindOf([&] { tn::toInt32(text, {}, ja); }), RuntimeError::Kind::TypeMismatch);
    }

    void fieldNameIsInTheMessage()
    {
        try {
            tn::toDouble("x", QStringLiteral("単価2"), ja);
            QFAIL("no error");
        } catch (const RuntimeError &e) {
            QVERIFY(e.message().contains(QStringLiteral("単価2")));
            QVERIFY(e.message().contains(QStringLiteral("「x」")));
        }
    }

    void pastTheRangeIsOverflow()
    {
        QCOMPARE(kindOf([&] { tn::toDouble("1e400", {}, ja); }), RuntimeError::Kind::Overflow);
        QCOMPARE(kindOf([&] { tn::toDouble("-1e400", {}, ja); }), RuntimeError::Kind::Overflow);
        QCOMPARE(kindOf([&] { tn::toSingle("1e39", {}, ja); }), RuntimeError::Kind::Overflow);
        QCOMPARE(kindOf([&] { tn::toSingle("-3.5e38", {}, ja); }), RuntimeError::Kind::Overflow);
        QCOMPARE(tn::toSingle("3.4e38", {}, ja), 3.4e38f);
        QCOMPARE(kindOf([&] { tn::toInt32("2147483648", {}, ja); }), RuntimeError::Kind::Overflow);
        QCOMPARE(kindOf([&] { tn::toInt32("-2147483649", {}, ja); }), RuntimeError::Kind::Overflow);
        // 2147483647.5 rounds to the even 2147483648, which no longer fits.
        QCOMPARE(kindOf([&] { tn::toInt32("2147483647.5", {}, ja); }), RuntimeError::Kind::Overflow);
        QCOMPARE(tn::toInt32("2147483647", {}, ja), std::numeric_limits<std::int32_t>::max());
        QCOMPARE(tn::toInt32("-2147483648", {}, ja), std::numeric_limits<std::int32_t>::min());
        QCOMPARE(kindOf([] { tn::checkedDouble(std::numeric_limits<double>::infinity()); }),
                 RuntimeError::Kind::Overflow);
    }

    void singleIsRoundedOnce()
    {
        QCOMPARE(tn::toSingle("5.67", {}, ja), 5.67f);
        QCOMPARE(double(tn::toSingle("30.5", {}, ja)), 30.5);
    }

    void halvesGoToTheEvenNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("30.5") << "30.5" << 30;
        QTest::newRow("31.5") << "31.5" << 32;
        QTest::newRow("-0.5") << "-0.5" << 0;
        QTest::newRow("-1.5") << "-1.5" << -2;
        QTest::newRow("2.5") << "2.5" << 2;
        QTest::newRow("2.51") << "2.51" << 3;
        QTest::newRow("blanks") << " -12 " << -12;
        QTest::newRow("grouped") << "1,000" << 1000;
    }
    void halvesGoToTheEvenNumber()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(tn::toInt32(text, {}, ja), expected);
    }

    void generalFormat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole") << 3.0 * 500.0 << "1500";
        QTest::newRow("half") << 1.5 * 3.0 << "4.5";
        QTest::newRow("binary fraction hidden") << 3.0 * 1.1 << "3.3";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("negative") << -21.0 << "-21";
        QTest::newRow("fifteen digits") << 123456789012345.0 << "123456789012345";
        QTest::newRow("sixteen digits") << 1234567890123456.0 << "1.23456789012346E+15";
        QTest::newRow("huge") << 1e20 << "1E+20";
        QTest::newRow("huge fraction") << 1.5e20 << "1.5E+20";
        QTest::newRow("small") << 0.0001 << "0.0001";
        QTest::newRow("tiny") << 0.00001 << "1E-05";
        QTest::newRow("no grouping") << 99999999.0 * 9.0 << "899999991";
    }
    void generalFormat()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(tn::formatGeneral(value, ja), expected);
    }

    void generalFormatRoundTrips()
    {
        for (double v : {1500.0, 4.5, -10.5, 3.3, 1e20, 0.00001, 2400.0})
            QCOMPARE(tn::toDouble(tn::formatGeneral(v, ja), {}, ja), v);
    }
};

QTEST_APPLESS_MAIN(TestTextNum)
#include "test_textnum.moc"
