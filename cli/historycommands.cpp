#include "historycommands.h"

#include "historycsv.h"
#include "historyerror.h"
#include "historystore.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace nerufa::cli {

namespace {

using namespace nerufa::history;

const QString kDatabase = QStringLiteral("database");
const QString kSearch = QStringLiteral("history-search");
const QString kExport = QStringLiteral("history-export");
const QString kSince = QStringLiteral("since");
const QString kUntil = QStringLiteral("until");

// --database when given, else the configuration's.
Location locationOf(const QCommandLineParser &parser)
{
    return chosenLocation(parser.isSet(kDatabase) ? std::optional(parser.value(kDatabase)) : std::nullopt);
}

// A day as 2024-05-21 or 2024/05/21; a null date when the option is absent.
QDate dateOption(const QCommandLineParser &parser, const QString &name)
{
    if (!parser.isSet(name))
        return {};
    QString text = parser.value(name).trimmed();
    const QDate date = QDate::fromString(text.replace(QLatin1Char('/'), QLatin1Char('-')), Qt::ISODate);
    if (!date.isValid())
        throw HistoryError(QStringLiteral("--%1 %2：日付は 2024-05-21 のように書いてください。").arg(name, parser.value(name)));
    return date;
}

QString sourceText(const PrintedSlip &p)
{
    if (p.source == Source::Csv)
        return QStringLiteral("%1:%2").arg(p.sourceFile).arg(p.sourceRow);
    return p.source == Source::Reprint ? QStringLiteral("もう一度印刷") : QStringLiteral("窓");
}

// One line of --history-search: printed, the recipient, goods, printer and
// source. A tab or line end inside a field becomes a blank.
QString searchLine(const PrintedSlip &p)
{
    const SlipSnapshot &s = p.slip;
    QStringList fields{p.printedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                       s.recipientPostal, s.recipientAddress1, s.recipientAddress2, s.recipientName, s.recipientPhone,
                       s.goods1, s.goods2, p.printer, sourceText(p)};
    for (QString &field : fields)
        for (QChar &c : field)
            if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                c = QLatin1Char(' ');
    return fields.join(QLatin1Char('\t'));
}

} // namespace

QList<QCommandLineOption> historyOptions()
{
    return {
        {kDatabase,
         QStringLiteral("送り状の履歴：postgresql://ユーザー@ホスト/データベース名、SQLite のファイル、または off。"
                        "省略すると設定ファイルの [history] database=、なければ ~/.local/share/nerufa-slip/history.sqlite。"),
         QStringLiteral("URL")},
        {kSearch,
         QStringLiteral("お届け先の名前・住所・電話番号・郵便番号の一部で履歴を探し、新しい順に 1 件 1 行（タブ区切り："
                        "印刷日時、郵便番号、住所1、住所2、名前、電話番号、品名1、品名2、プリンタ、元）で出します。"),
         QStringLiteral("文字")},
        {kExport, QStringLiteral("履歴を --csv で印刷できる CSV ファイルに書き出します。"), QStringLiteral("ファイル")},
        {kSince, QStringLiteral("この日から（2024-05-21 の形）の履歴だけにします。"), QStringLiteral("日付")},
        {kUntil, QStringLiteral("この日まで（その日も含む）の履歴だけにします。"), QStringLiteral("日付")},
    };
}

std::optional<QString> databaseArgument(const QStringList &arguments)
{
    const QString option = QStringLiteral("--") + kDatabase;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == option && i + 1 < arguments.size())
            return arguments[i + 1];
        if (arguments[i].startsWith(option + QLatin1Char('=')))
            return arguments[i].mid(option.size() + 1);
    }
    return std::nullopt;
}

bool wantsHistoryCommand(const QCommandLineParser &parser)
{
    return parser.isSet(kSearch) || parser.isSet(kExport);
}

int runHistoryCommand(const QCommandLineParser &parser, const Say &say)
{
    if (parser.isSet(kSearch) && parser.isSet(kExport)) {
        say(QStringLiteral("--history-search と --history-export は一緒に使えません。"));
        return 1;
    }
    try {
        const SlipQuery query{parser.value(kSearch), dateOption(parser, kSince), dateOption(parser, kUntil), 0};
        const Location location = locationOf(parser);
        if (location.kind == Location::Kind::Off) {
            say(QStringLiteral("履歴を使わない設定です（--database または設定ファイル「%1」）。").arg(configFile()));
            return 1;
        }
        HistoryStore store(location);
        const QList<PrintedSlip> slips = store.find(query);
        if (parser.isSet(kSearch)) {
            QTextStream out(stdout);
            for (const PrintedSlip &p : slips)
                out << searchLine(p) << '\n';
        } else {
            writeOrdersCsv(slips, parser.value(kExport));
            say(QStringLiteral("%1 件を「%2」に書き出しました。").arg(slips.size()).arg(parser.value(kExport)));
        }
        return 0;
    } catch (const HistoryError &error) {
        say(error.message());
        return 1;
    }
}

BatchRecorder::BatchRecorder(const QCommandLineParser &parser, const Say &say) : m_say(say)
{
    try {
        m_location = locationOf(parser);
    } catch (const HistoryError &error) {
        // A wrong --database is the caller's mistake; a broken setting must
        // not keep the slips from printing.
        say(error.message());
        m_bad = parser.isSet(kDatabase);
    }
}

void BatchRecorder::record(const QString &csvPath, const QList<batch::Order> &orders, qsizetype first, int printed,
                           const QString &offsetX, const QString &offsetY, const PrinterChoice &choice) const
{
    if (m_location.kind == Location::Kind::Off || printed <= 0)
        return;
    QList<PrintedSlip> slips;
    for (qsizetype i = first; i < first + printed && i < orders.size(); ++i) {
        SlipSnapshot slip = orders[i].slip;
        slip.offsetXText = offsetX;
        slip.offsetYText = offsetY;
        slips << printedNow(slip, choice, Source::Csv, QFileInfo(csvPath).fileName(), orders[i].row);
    }
    try {
        HistoryStore(m_location).record(slips);
    } catch (const HistoryError &error) {
        m_say(QStringLiteral("印刷した送り状を履歴に書き込めませんでした。\n") + error.message());
    }
}

} // namespace nerufa::cli
