// Numbers under other locales: the general format writes Latin digits, a
// plain minus and the locale's decimal separator, whatever the C library's
// number locale; that text and the locale's own text both read back.
#include "textnum.h"

#include <QtTest>
#include <clocale>

namespace tn = nerufa::textnum;

class TestLocales : public QObject {
    Q_OBJECT

private slots:
    void numbersReadBackInEveryLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("written"); // also what the operator types
        QTest::newRow("ar_EG whole") << "ar_EG" << 1200.0 << "1200";
        QTest::newRow("ar_EG fraction") << "ar_EG" << 2400.5 << "2400\u066B5";
        QTest::newRow("he_IL minus") << "he_IL" << -21.0 << "-21";
        QTest::newRow("ur_PK tiny") << "ur_PK" << -1e-5 << "-1E-05";
        QTest::newRow("fa_IR exponent") << "fa_IR" << -1.5e20 << "-1\u066B5E+20";
        QTest::newRow("ja_JP fraction") << "ja_JP" << 30.5 << "30.5";
    }
    void numbersReadBackInEveryLocale()
    {
        QFETCH(QString, locale);
        QFETCH(double, value);
        QFETCH(QString, written);
        const QLocale l(locale);
        QVERIFY2(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), "de_DE.UTF-8 not generated (build.sh does it)");
        const QString text = tn::formatGeneral(value, l);
        std::setlocale(LC_NUMERIC, "C");
        QCOMPARE(text, written);
        QCOMPARE(tn::toDouble(" " + text + " ", {}, l), value);
        QCOMPARE(tn::toDouble(l.toString(value, 'f', 5), {}, l), value); // the locale's own digits and signs
    }
};

QTEST_GUILESS_MAIN(TestLocales)
#include "test_locales.moc"
