#include "postalcommands.h"

#include "postalcheck.h"
#include "postalfiles.h"
#include "postalimport.h"

#include <QTextStream>

namespace nerufa::cli {

namespace {

const QString kPostal = QStringLiteral("postal");
const QString kImport = QStringLiteral("import-postal");

void say(const QString &text, FILE *stream = stderr)
{
    QTextStream(stream) << text << Qt::endl;
}

// The installed table; what kept a file out is said on standard error.
std::shared_ptr<const postal::PostalTable> loadedTable()
{
    const postal::LoadedTable loaded = postal::loadTable(postal::PostalSources::standard());
    for (const QString &problem : loaded.problems)
        say(problem);
    return loaded.table;
}

int printPlaces(const QString &text)
{
    const int code = postal::parseCode(text);
    if (code < 0) {
        say(QStringLiteral("「%1」は 7 桁の郵便番号ではありません。").arg(text));
        return 1;
    }
    const std::shared_ptr<const postal::PostalTable> table = loadedTable();
    if (!table) {
        say(QStringLiteral("郵便番号のデータがありません。パッケージ skkdic-extra をインストールするか、"
                           "日本郵便の KEN_ALL.CSV を --import-postal で取り込んでください。"));
        return 1;
    }
    const QList<postal::Place> places = table->lookUp(code);
    if (places.isEmpty()) {
        say(QStringLiteral("郵便番号 %1 は見つかりません。").arg(postal::codeWithHyphen(code)));
        return 1;
    }
    for (const postal::Place &place : places)
        say(QStringLiteral("%1 %2%3").arg(postal::codeWithHyphen(code), place.address,
                                          place.office.isEmpty() ? QString() : QStringLiteral("（%1）").arg(place.office)),
            stdout);
    return 0;
}

} // namespace

QList<QCommandLineOption> postalOptions()
{
    return {QCommandLineOption(kPostal, QStringLiteral("郵便番号（7 桁、ハイフンがあっても可）の住所を表示します。"),
                               QStringLiteral("郵便番号")),
            QCommandLineOption(kImport,
                               QStringLiteral("日本郵便の郵便番号データ（utf_ken_all.csv、KEN_ALL.CSV、JIGYOSYO.CSV）を取り込みます。"
                                              "次に起動したときから、Debian の辞書の代わりに使います。"),
                               QStringLiteral("ファイル"))};
}

std::optional<int> runPostalCommand(const QCommandLineParser &parser)
{
    if (parser.isSet(kPostal))
        return printPlaces(parser.value(kPostal));
    if (!parser.isSet(kImport))
        return std::nullopt;
    const postal::ImportResult result = postal::importJapanPostFile(parser.value(kImport), postal::PostalSources::standard());
    if (!result.error.isEmpty()) {
        say(result.error);
        return 1;
    }
    say(QStringLiteral("%1 件の郵便番号を「%2」に保存しました。次に起動したときから使います。").arg(result.places).arg(result.stored));
    return 0;
}

void sayPostalWarnings(const QList<batch::Order> &orders)
{
    if (const std::shared_ptr<const postal::PostalTable> table = loadedTable())
        if (const QString message = batch::postalWarningsMessage(batch::postalWarnings(orders, *table)); !message.isEmpty())
            say(message);
}

} // namespace nerufa::cli
