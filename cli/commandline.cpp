#include "commandline.h"

#include "appsetup.h"
#include "batchrun.h"
#include "historycommands.h"
#include "offsetfiles.h"
#include "orders.h"
#include "postalcommands.h"
#include "printersession.h"
#include "profileoptions.h"
#include "processenv.h"
#include "runtimeerror.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>


namespace nerufa::cli {

namespace {

enum Exit { kPrinted = 0, kBadInput = 1, kPrinterFault = 2 };

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

void say(const QString &line)
{
    err() << line << Qt::endl;
}

// The printer the options choose: a queue, a PDF file, or the user's
// default queue.
PrinterChoice chosenPrinter(const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("pdf")))
        return {PrinterChoice::Kind::PdfFile, parser.value(QStringLiteral("pdf")), {}, {}};
    if (parser.isSet(QStringLiteral("printer")))
        return {PrinterChoice::Kind::Queue, parser.value(QStringLiteral("printer")), {}, {}};
    PlainWaiting waiting;
    return PrinterSession().current(waiting);
}

} // namespace

std::optional<QStringList> windowArguments(int argc, char *argv[])
{
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--database" && i + 1 < argc)
            ++i;
        else if (argument.startsWith("--database="))
            continue;
        else if (argument.startsWith('-'))
            return std::nullopt;
        else
            files.append(QFile::decodeName(argument));
    }
    return files;
}

int runCommandLine(int argc, char *argv[])
{
    // No window and no display: fonts and the PDF writer work on the
    // offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    setUpApplication(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "ネルファ送り状印刷：CSV ファイルの注文を 1 行 1 枚の送り状として印刷します。\n"
        "窓を開かずに動き、窓のプログラムを使っている間でも使えます。\n"
        "ズレは窓と同じ nerufax1.txt / nerufay1.txt から読みます（書き換えません）。プログラムのフォルダーに\n"
        "書き込めないときは ~/.config/nerufa-slip/ のもの、まだなければプログラムのフォルダーのものです。\n"
        "終了コード：0 すべて印刷した、1 入力に問題があり何も印刷していない、2 プリンタの問題で途中で止まった。"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("この説明を表示します。"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("注文の CSV ファイル（UTF-8 または Shift_JIS、1 行目は列名）。"),
                                 QStringLiteral("ファイル"));
    const QCommandLineOption printer(QStringLiteral("printer"),
                                     QStringLiteral("印刷するプリンタ（CUPS のキュー名）。省略すると既定のプリンタ。"),
                                     QStringLiteral("キュー"));
    const QCommandLineOption pdf(QStringLiteral("pdf"),
                                 QStringLiteral("プリンタの代わりに、1 枚 1 ページの PDF ファイルに書きます。"),
                                 QStringLiteral("出力.pdf"));
    const QCommandLineOption check(QStringLiteral("check"), QStringLiteral("ファイルを調べるだけで、印刷しません。"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("この件目（見出しの次の行が 1 件目）から印刷します。途中で止まったときの続きに。"),
                                  QStringLiteral("件目"));
    parser.addOptions({help, csv, printer, pdf, check, from});
    parser.addOptions(postalOptions());
    addProfileOptions(parser);
    parser.addOptions(historyOptions());
    if (!parser.parse(app.arguments())) {
        say(parser.errorText());
        return kBadInput;
    }
    if (parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText();
        return kPrinted;
    }
    if (const std::optional<int> status = runPostalCommand(parser))
        return *status;
    if (const std::optional<int> listed = runProfileListing(parser))
        return *listed;
    if (wantsHistoryCommand(parser) && !parser.isSet(csv))
        return runHistoryCommand(parser, say);
    if (!parser.isSet(csv) || !parser.positionalArguments().isEmpty()) {
        say(QStringLiteral("使い方：nerufa-slip --csv ファイル [--printer キュー | --pdf 出力.pdf] [--check] [--from 件目] [--profile 名前]\n"
                           "　　　　nerufa-slip --history-search 文字 | --history-export ファイル [--since 日付] [--until 日付]"));
        return kBadInput;
    }
    if (parser.isSet(printer) && parser.isSet(pdf)) {
        say(QStringLiteral("--printer と --pdf は一緒に使えません。"));
        return kBadInput;
    }

    const batch::ChosenOrders chosen = readChosenOrders(parser, parser.value(csv));
    const batch::OrderList &list = chosen.list;
    for (const QString &line : batch::readingNotes(chosen))
        say(line);
    if (!list.problems.isEmpty()) {
        say(QStringLiteral("%1 に問題があるため、何も印刷していません：").arg(parser.value(csv)));
        say(batch::problemsMessage(list.problems));
        return kBadInput;
    }
    say(QStringLiteral("%1 件の注文を読みました（%2）。").arg(list.orders.size()).arg(list.encoding));

    qsizetype first = 0;
    if (parser.isSet(from)) {
        bool ok = false;
        const int row = parser.value(from).toInt(&ok);
        if (!ok || row < 1) {
            say(QStringLiteral("--from %1：--from には 1 以上の整数（件目）を指定してください。").arg(parser.value(from)));
            return kBadInput;
        }
        first = batch::firstAtOrAfter(list.orders, row);
        if (first == list.orders.size()) {
            say(QStringLiteral("--from %1：その件目から先に注文がありません（最後の注文は %2 件目です）。")
                    .arg(row).arg(list.orders.constLast().row));
            return kBadInput;
        }
    }
    if (parser.isSet(check)) {
        // Only when checking: a print run has nobody to ask, and reading
        // the postal table would cost it a tenth of its time.
        sayPostalWarnings(list.orders.mid(first)); // the rows that would print, as the window warns
        say(QStringLiteral("問題はありません。%1 枚印刷できます。").arg(list.orders.size() - first));
        for (const QString &line : firstRowLines(chosen, first))
            say(line);
        return kPrinted;
    }

    // The offsets as the window reads them at start, from the same place,
    // without writing; which values from which files is said.
    const offsets::LoadedOffsets stored =
        offsets::readOffsets(offsets::resolvePlace(processenv::programFolder()));
    for (const QString &warning : stored.warnings)
        say(warning);
    const auto source = [](const QString &file) {
        return file.isEmpty() ? QStringLiteral("ファイルがないため、ずれなしの値")
                              : QStringLiteral("ファイル「%1」").arg(file);
    };
    say(QStringLiteral("ズレ：左右 %1（%2）、上下 %3（%4）").arg(stored.x).arg(source(stored.xFile)).arg(stored.y).arg(source(stored.yFile)));

    const BatchRecorder history(parser, say);
    if (history.badDatabaseOption())
        return kBadInput;
    const qsizetype count = list.orders.size() - first;
    PrinterChoice choice;
    try {
        choice = chosenPrinter(parser);
    } catch (const RuntimeError &error) {
        say(error.message());
        say(QStringLiteral("0 枚印刷しました。続きは --from %1 で印刷できます。").arg(list.orders[first].row));
        return kPrinterFault;
    }
    say(describePrinterChoice(choice));
    PlainWaiting waiting;
    const batch::BatchResult result = batch::runBatch(
        list.orders, first, QString::number(stored.x), QString::number(stored.y), choice, waiting,
        [&](int done, const batch::Order &next) {
            say(QStringLiteral("[%1/%2] %3 件目 %4").arg(done + 1).arg(count).arg(next.row).arg(batch::recipientLine(next)));
            return true;
        });
    history.record(parser.value(csv), list.orders, first, result.printed, QString::number(stored.x),
                   QString::number(stored.y), choice);
    if (!result.error.isEmpty()) {
        say(result.error);
        say(batch::resultSentence(result) + QStringLiteral("続きは --from %1 で印刷できます。").arg(result.nextRow));
        return kPrinterFault;
    }
    say(batch::resultSentence(result));
    return result.lostRows.isEmpty() ? kPrinted : kPrinterFault;
}

} // namespace nerufa::cli
