#include "profileorders.h"

#include "sliprules.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <climits>

namespace nerufa::batch {

namespace {

QString captionOf(const slip::Field &f)
{
    return QString::fromUtf8(f.caption);
}

// Header positions by column name, compared loosely.
QHash<QString, QList<int>> positions(const QStringList &header)
{
    QHash<QString, QList<int>> at;
    for (qsizetype i = 0; i < header.size(); ++i)
        at[slip::looseKey(header[i])] << int(i);
    return at;
}

// Every column the profile reads, with what it is read for.
QList<std::pair<QString, QString>> readColumns(const Profile &profile)
{
    QList<std::pair<QString, QString>> columns;
    for (const slip::Field &f : slip::fields())
        for (const QString &column : profile.sources[size_t(f.id)].columns)
            columns.append({column, QStringLiteral("欄「%1」").arg(captionOf(f))});
    if (!profile.filterColumn.isEmpty())
        columns.append({profile.filterColumn, QStringLiteral("filter")});
    return columns;
}

// How a message names the field: the file's columns it came from, and the
// slip's field where that is another name.
QString whereOf(const Profile &profile, slip::FieldId id)
{
    const QString caption = captionOf(slip::field(id));
    const QStringList &columns = profile.sources[size_t(id)].columns;
    if (columns.isEmpty())
        return caption;
    const QString joined = columns.join(QStringLiteral("＋"));
    return columns.size() == 1 && slip::looseKey(joined) == slip::looseKey(caption) ? joined
                                                                                   : joined + QStringLiteral(" → ") + caption;
}

// A profile bound to one header: the positions of its columns and its
// value tables by loose key, worked out once for all rows.
struct Plan {
    struct Source {
        slip::FieldId id;
        QList<int> at;
        const FieldSource *source;
        QHash<QString, std::optional<int>> values;
    };
    QList<Source> sources;
    int filterAt = -1;
    QSet<QString> filterKeys;
    QHash<int, int> orderOf; // field id -> header position of its first column
};

Plan planFor(const QStringList &header, const Profile &profile)
{
    Plan plan;
    const QHash<QString, QList<int>> at = positions(header);
    for (const slip::Field &f : slip::fields()) {
        const FieldSource &source = profile.sources[size_t(f.id)];
        if (source.columns.isEmpty())
            continue;
        Plan::Source s{f.id, {}, &source, {}};
        for (const QString &column : source.columns)
            s.at << at.value(slip::looseKey(column)).value(0, -1);
        for (const ValueRule &rule : source.values)
            s.values.insert(slip::looseKey(rule.from), rule.choice);
        plan.orderOf.insert(int(f.id), s.at.value(0));
        plan.sources << s;
    }
    if (!profile.filterColumn.isEmpty()) {
        plan.filterAt = at.value(slip::looseKey(profile.filterColumn)).value(0, -1);
        for (const QString &value : profile.filterValues)
            plan.filterKeys.insert(slip::looseKey(value));
    }
    return plan;
}

QString joinedText(const QStringList &record, const QList<int> &at, const FieldSource &source)
{
    QStringList parts;
    for (int position : at) {
        const QString part = cleaned(record.value(position), source.cleanups);
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(source.separator);
}

} // namespace

bool isBuiltInHeader(const QStringList &header)
{
    static const QSet<QString> known = [] {
        QSet<QString> keys;
        for (const slip::Field &f : slip::fields())
            if (f.fromCsv)
                keys.insert(slip::looseKey(captionOf(f)));
        return keys;
    }();
    return std::all_of(header.begin(), header.end(), [](const QString &name) {
        const QString key = slip::looseKey(name);
        return key.isEmpty() || known.contains(key);
    });
}

QStringList headerProblems(const CsvTable &table, const Profile &profile)
{
    QStringList problems;
    const QHash<QString, QList<int>> at = positions(table.header);
    QSet<QString> accounted;
    for (const auto &[column, use] : readColumns(profile)) {
        const QString key = slip::looseKey(column);
        const QList<int> found = at.value(key);
        if (found.isEmpty())
            problems << QStringLiteral("プロファイル「%1」の列「%2」（%3に読む列）がファイルの見出しにありません")
                            .arg(profile.name, column, use);
        else if (found.size() > 1 && !accounted.contains(key))
            problems << QStringLiteral("見出しの「%1」が 2 回あります（%2 列目と %3 列目）")
                            .arg(column, QString::number(found[0] + 1), QString::number(found[1] + 1));
        accounted.insert(key);
    }
    if (profile.otherColumnsIgnored)
        return problems;
    for (const QString &column : profile.ignored)
        accounted.insert(slip::looseKey(column));
    for (qsizetype position = 0; position < table.header.size(); ++position) {
        const QString key = slip::looseKey(table.header[position]);
        if (!key.isEmpty() && !accounted.contains(key)) {
            problems << QStringLiteral("見出しの「%1」（%2 列目）は、プロファイル「%3」で読む列にも ignore にもありません")
                            .arg(table.header[position], QString::number(position + 1), profile.name);
        } else if (key.isEmpty() && std::any_of(table.records.begin(), table.records.end(), [&](const QStringList &r) {
                       return !r.value(position).isEmpty();
                   })) {
            problems << QStringLiteral("見出しの %1 列目に名前がありません").arg(position + 1);
        }
    }
    return problems;
}

bool madeFor(const CsvTable &table, const Profile &profile)
{
    QStringList fileKeys, profileKeys;
    for (const QString &name : table.header)
        if (!slip::looseKey(name).isEmpty())
            fileKeys << slip::looseKey(name);
    for (const QString &name : profile.header)
        profileKeys << slip::looseKey(name);
    const bool header = profile.otherColumnsIgnored
        ? std::all_of(profileKeys.begin(), profileKeys.end(), [&](const QString &key) { return fileKeys.contains(key); })
        : fileKeys == profileKeys;
    return !profileKeys.isEmpty() && header && headerProblems(table, profile).isEmpty();
}

QString sourceText(const QStringList &header, const QStringList &record, const FieldSource &source)
{
    const QHash<QString, QList<int>> at = positions(header);
    QList<int> columns;
    for (const QString &column : source.columns)
        columns << at.value(slip::looseKey(column)).value(0, -1);
    return joinedText(record, columns, source);
}

MappedOrders mapOrders(const CsvTable &table, const Profile &profile, const QDate &today)
{
    MappedOrders mapped;
    OrderList &result = mapped.list;
    result.encoding = table.encoding;
    result.problems = table.problems;
    if (result.problems.isEmpty() && table.header.isEmpty())
        result.problems << QStringLiteral("ファイルが空です（見出しの行がありません）");
    if (result.problems.isEmpty())
        result.problems = headerProblems(table, profile);
    if (!result.problems.isEmpty())
        return mapped;

    const Plan plan = planFor(table.header, profile);
    for (qsizetype i = 0; i < table.records.size(); ++i) {
        const QStringList &record = table.records[i];
        const int row = int(i + 1);
        if (!isOrderRecord(table, i, result.problems))
            continue;
        if (plan.filterAt >= 0 && !plan.filterKeys.contains(slip::looseKey(record[plan.filterAt]))) {
            mapped.skippedRows << row;
            continue;
        }
        slip::FieldTexts texts;
        QList<slip::FieldProblem> refused;
        for (const Plan::Source &s : plan.sources) {
            QString text = joinedText(record, s.at, *s.source);
            if (const auto rule = s.values.constFind(slip::looseKey(text)); rule != s.values.cend()) {
                if (!*rule)
                    refused.append({s.id, QStringLiteral("「%1」：この%2は送り状の欄にありません。プロファイルで決めてください")
                                              .arg(text, s.id == slip::FieldId::TimeSlot ? QStringLiteral("時間帯")
                                                                                         : QStringLiteral("値"))});
                text = *rule ? QString::fromUtf8(slip::field(s.id).items[size_t(**rule - 1)]) : QString();
            }
            texts[size_t(s.id)] = text;
        }
        slip::OrderSlip order = slip::slipFromTexts(texts, today);
        order.problems = refused + order.problems;
        // Problems in the file's column order, as the operator reads the row.
        std::stable_sort(order.problems.begin(), order.problems.end(), [&](const auto &a, const auto &b) {
            return plan.orderOf.value(int(a.field), INT_MAX) < plan.orderOf.value(int(b.field), INT_MAX);
        });
        for (const slip::FieldProblem &problem : order.problems)
            result.problems << QStringLiteral("%1 件目（%2）：%3").arg(row).arg(whereOf(profile, problem.field), problem.what);
        if (order.problems.isEmpty()) {
            result.orders << Order{row, order.slip};
            ++mapped.goodRows;
        }
    }
    if (result.problems.isEmpty() && result.orders.isEmpty())
        result.problems << (mapped.skippedRows.isEmpty()
                                ? QStringLiteral("印刷する行が 1 件もありません")
                                : QStringLiteral("印刷する行が 1 件もありません（%1 件は「%2」の値が条件に合わないため飛ばしました）")
                                      .arg(QString::number(mapped.skippedRows.size()), profile.filterColumn));
    if (!result.problems.isEmpty())
        result.orders.clear();
    return mapped;
}

ChosenOrders readChosenOrders(const QString &path, const QDate &today, const QString &profileArgument,
                              const QString &folder)
{
    ChosenOrders chosen;
    const std::optional<QByteArray> bytes = readCsvBytes(path, &chosen.list.problems);
    if (!bytes)
        return chosen;
    std::optional<Profile> profile;
    if (!profileArgument.isEmpty()) {
        const ProfileRead read = findProfile(profileArgument, folder);
        chosen.list.problems = read.problems;
        if (!read.problems.isEmpty())
            return chosen;
        profile = read.profile;
    }
    chosen.table = parseCsv(*bytes, profile ? profile->encoding : Encoding::Auto);
    if (!profile && (!chosen.table.problems.isEmpty() || isBuiltInHeader(chosen.table.header))) {
        chosen.list = ordersFromTable(chosen.table, today);
        return chosen;
    }
    if (!profile) {
        const ProfileShelf shelf = loadProfiles(folder);
        for (const Profile &candidate : shelf.profiles) {
            if (!madeFor(chosen.table, candidate))
                continue;
            if (!profile)
                profile = candidate;
            else
                (candidate.builtIn ? chosen.passedOverBuiltIn : chosen.passedOver) << candidate.name;
        }
        if (!profile) {
            chosen.unknownHeader = true;
            chosen.list = ordersFromTable(chosen.table, today);
            chosen.profileProblems = shelf.problems;
            chosen.list.problems << shelf.problems;
            return chosen;
        }
        if (profile->encoding != Encoding::Auto)
            chosen.table = parseCsv(*bytes, profile->encoding);
    }
    MappedOrders mapped = mapOrders(chosen.table, *profile, today);
    chosen.list = std::move(mapped.list);
    chosen.skippedRows = mapped.skippedRows;
    chosen.profile = profile->name;
    chosen.builtInProfile = profile->builtIn;
    chosen.filter = QStringLiteral("「%1」が %2").arg(profile->filterColumn, profile->filterValues.join(QStringLiteral("・")));
    return chosen;
}

QStringList readingNotes(const ChosenOrders &chosen)
{
    QStringList notes;
    if (chosen.profile.isEmpty())
        return notes;
    notes << QStringLiteral("プロファイル「%1」%2で読みました。")
                 .arg(chosen.profile, chosen.builtInProfile ? QStringLiteral("（組み込み）") : QString());
    const auto quoted = [](const QStringList &names) { return QStringLiteral("「%1」").arg(names.join(QStringLiteral("」「"))); };
    if (!chosen.passedOver.isEmpty())
        notes << QStringLiteral("同じ見出しのプロファイル%1もありますが、新しい「%2」を使いました。")
                     .arg(quoted(chosen.passedOver), chosen.profile);
    if (!chosen.passedOverBuiltIn.isEmpty())
        notes << QStringLiteral("組み込みのプロファイル%1の代わりに、同じ見出しの「%2」を使いました。")
                     .arg(quoted(chosen.passedOverBuiltIn), chosen.profile);
    if (!chosen.skippedRows.isEmpty()) {
        constexpr int kListed = 20;
        QStringList rows;
        for (int row : chosen.skippedRows.mid(0, kListed))
            rows << QStringLiteral("%1 件目").arg(row);
        notes << QStringLiteral("%1 でない %2 件は印刷しません：%3%4")
                     .arg(chosen.filter, QString::number(chosen.skippedRows.size()), rows.join(QStringLiteral("、")),
                          chosen.skippedRows.size() > kListed ? QStringLiteral(" ほか") : QString());
    }
    return notes;
}

QStringList slipLines(const SlipSnapshot &slip)
{
    QStringList lines;
    for (const slip::Field &f : slip::fields()) {
        QString text;
        if (f.block == slip::Block::Offsets || (f.shownFlag && !(slip.*f.shownFlag)))
            continue;
        if (f.kind == slip::FieldKind::Choice)
            text = slip::itemTexts(f).value(slip.*f.choice - 1);
        else
            text = slip.*f.text;
        if (!text.isEmpty())
            lines << QStringLiteral("%1：%2").arg(captionOf(f), text);
    }
    return lines;
}

} // namespace nerufa::batch
