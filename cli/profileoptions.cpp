#include "profileoptions.h"

#include "profilestore.h"

#include <QDate>
#include <QTextStream>

namespace nerufa::cli {

namespace {

const QString kProfile = QStringLiteral("profile");
const QString kList = QStringLiteral("list-profiles");
const QString kShow = QStringLiteral("show-profile");

} // namespace

void addProfileOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {kProfile,
         QStringLiteral("この取り込みプロファイルで CSV ファイルを読みます（名前か、プロファイルのファイル）。"
                        "省略すると、組み込みの形式か、見出しに合うプロファイルで読みます。"),
         QStringLiteral("名前|ファイル")},
        {kList, QStringLiteral("取り込みプロファイルの一覧を表示します。")},
        {kShow, QStringLiteral("取り込みプロファイルの中身（JSON）を表示します。写しを作って書き換えるときに。"), QStringLiteral("名前")},
    });
}

std::optional<int> runProfileListing(const QCommandLineParser &parser)
{
    QTextStream out(stdout);
    if (parser.isSet(kShow)) {
        const batch::ProfileRead read = batch::findProfile(parser.value(kShow));
        if (!read.problems.isEmpty()) {
            QTextStream(stderr) << read.problems.join(QLatin1Char('\n')) << Qt::endl;
            return 1;
        }
        out << QString::fromUtf8(batch::profileJson(read.profile));
        return 0;
    }
    if (!parser.isSet(kList))
        return std::nullopt;
    const batch::ProfileShelf shelf = batch::loadProfiles();
    out << QStringLiteral("プロファイルのフォルダー：%1").arg(batch::profileFolder()) << Qt::endl;
    for (const batch::Profile &profile : shelf.profiles) {
        const QString madeFor = profile.header.isEmpty()
            ? QStringLiteral("見出しの指定なし（--profile で選ぶときだけ）")
            : QStringLiteral("見出し %1 列%2").arg(profile.header.size())
                  .arg(profile.otherColumnsIgnored ? QStringLiteral("を含むファイル") : QStringLiteral("のファイル"));
        const QString where = profile.builtIn
            ? QStringLiteral("組み込み")
            : QStringLiteral("%1、%2 に変更").arg(profile.file, profile.modified.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        out << QStringLiteral("%1（%2。%3）").arg(profile.name, where, madeFor) << Qt::endl;
    }
    for (const QString &problem : shelf.problems)
        out << QStringLiteral("読めないため使いません：%1").arg(problem) << Qt::endl;
    return 0;
}

batch::ChosenOrders readChosenOrders(const QCommandLineParser &parser, const QString &csvPath)
{
    return batch::readChosenOrders(csvPath, QDate::currentDate(), parser.value(kProfile));
}

QStringList firstRowLines(const batch::ChosenOrders &chosen, qsizetype first)
{
    QStringList lines;
    if (chosen.profile.isEmpty() || first >= chosen.list.orders.size())
        return lines;
    const batch::Order &order = chosen.list.orders[first];
    lines << QStringLiteral("%1 件目は送り状に次のように入ります：").arg(order.row);
    for (const QString &line : batch::slipLines(order.slip))
        lines << QStringLiteral("  ") + line;
    return lines;
}

} // namespace nerufa::cli
