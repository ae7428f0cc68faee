#include "profile.h"

#include "sliprules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace nerufa::batch {

namespace {

constexpr std::pair<Encoding, const char *> kEncodings[] = {
    {Encoding::Auto, "auto"}, {Encoding::Utf8, "UTF-8"}, {Encoding::ShiftJis, "Shift_JIS"}};
constexpr std::pair<Cleanup, const char *> kCleanups[] = {
    {WidthFold, "width"}, {PostalSigns, "postal"}, {Trim, "trim"}};
const QStringList kTopKeys{"encoding", "header", "otherColumns", "ignore", "fields", "filter"};
const QStringList kFieldKeys{"columns", "separator", "cleanups", "values"};

// Hyphens and dashes a postal code may be written with, the long vowel
// sign included (１２３ー４５６７ is a common way to type it).
bool isPostalSign(QChar c)
{
    static const QString signs = QStringLiteral("-\u2010\u2011\u2012\u2013\u2014\u2015\u2212\u30FC\uFF0D\uFF70");
    return c.isSpace() || signs.contains(c);
}

// Reads one profile, collecting every problem rather than stopping at the
// first, so that one look at the messages shows all that needs fixing.
class Reader {
public:
    Reader(const QString &name) : m_name(name) { m_read.profile.name = name; }

    ProfileRead read(const QByteArray &json)
    {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(json, &error);
        if (error.error != QJsonParseError::NoError)
            complain(QStringLiteral("JSON として読めません（%1 バイト目：%2）").arg(QString::number(error.offset + 1), error.errorString()));
        else if (!document.isObject())
            complain(QStringLiteral("JSON のオブジェクト（{ … }）ではありません"));
        else
            readTop(document.object());
        return m_read;
    }

private:
    void complain(const QString &what) { m_read.problems << QStringLiteral("プロファイル「%1」：%2").arg(m_name, what); }

    void unknownKeys(const QJsonObject &object, const QStringList &known, const QString &where)
    {
        for (const QString &key : object.keys())
            if (!known.contains(key))
                complain(QStringLiteral("%1知らない項目「%2」があります（使える項目：%3）").arg(where, key, known.join(QStringLiteral("、"))));
    }

    // A list of column names; a single name is taken as a list of one.
    QStringList columns(const QJsonValue &value, const QString &where)
    {
        QStringList names;
        const QJsonArray array = value.isString() ? QJsonArray{value} : value.toArray();
        if (!value.isString() && !value.isArray())
            complain(QStringLiteral("%1は列の名前か、その並び（[ … ]）で書いてください").arg(where));
        for (const QJsonValue &item : array) {
            if (!item.isString() || slip::looseKey(item.toString()).isEmpty())
                complain(QStringLiteral("%1に名前のない列があります").arg(where));
            else
                names << item.toString();
        }
        return names;
    }

    void readTop(const QJsonObject &top)
    {
        Profile &p = m_read.profile;
        unknownKeys(top, kTopKeys, QString());
        const QString encoding = top.value(QStringLiteral("encoding")).toString(QStringLiteral("auto"));
        const auto known = std::find_if(std::begin(kEncodings), std::end(kEncodings), [&](const auto &e) {
            return encoding.compare(QLatin1String(e.second), Qt::CaseInsensitive) == 0;
        });
        if (known == std::end(kEncodings))
            complain(QStringLiteral("encoding の「%1」は使えません（auto、UTF-8、Shift_JIS のどれか）").arg(encoding));
        else
            p.encoding = known->first;
        if (top.contains(QStringLiteral("header")))
            p.header = columns(top.value(QStringLiteral("header")), QStringLiteral("header "));
        const QString others = top.value(QStringLiteral("otherColumns")).toString(QStringLiteral("refuse"));
        if (others != QLatin1String("refuse") && others != QLatin1String("ignore"))
            complain(QStringLiteral("otherColumns の「%1」は使えません（refuse か ignore）").arg(others));
        p.otherColumnsIgnored = others == QLatin1String("ignore");
        if (top.contains(QStringLiteral("ignore")))
            p.ignored = columns(top.value(QStringLiteral("ignore")), QStringLiteral("ignore "));
        const QJsonValue fields = top.value(QStringLiteral("fields"));
        if (!fields.isObject())
            complain(QStringLiteral("fields（送り状の欄ごとの列）がありません"));
        const QJsonObject fieldObject = fields.toObject();
        for (auto it = fieldObject.begin(); it != fieldObject.end(); ++it)
            readField(it.key(), it.value());
        if (top.contains(QStringLiteral("filter")))
            readFilter(top.value(QStringLiteral("filter")));

        QSet<QString> read;
        for (const FieldSource &source : p.sources)
            for (const QString &column : source.columns)
                read.insert(slip::looseKey(column));
        if (fields.isObject() && read.isEmpty())
            complain(QStringLiteral("送り状の欄に読み込む列が 1 つもありません"));
        if (!p.filterColumn.isEmpty())
            read.insert(slip::looseKey(p.filterColumn));
        for (const QString &column : p.ignored)
            if (read.contains(slip::looseKey(column)))
                complain(QStringLiteral("列「%1」が読む列と ignore の両方にあります").arg(column));
    }

    void readField(const QString &key, const QJsonValue &value)
    {
        const slip::Field *field = nullptr;
        for (const slip::Field &f : slip::fields())
            if (f.fromCsv && (slip::looseKey(key) == slip::looseKey(QString::fromUtf8(f.caption)) || key == QLatin1String(f.name)))
                field = &f;
        if (!field) {
            complain(QStringLiteral("fields の「%1」は送り状の欄の名前ではありません（README の CSV の列名の一覧を見てください）").arg(key));
            return;
        }
        FieldSource &source = m_read.profile.sources[size_t(field->id)];
        const QString where = QStringLiteral("欄「%1」の").arg(key);
        if (!source.columns.isEmpty())
            complain(QStringLiteral("欄「%1」が 2 回書かれています").arg(key));
        if (!value.isObject()) {
            source.columns = columns(value, where + QStringLiteral("列"));
            return;
        }
        const QJsonObject object = value.toObject();
        unknownKeys(object, kFieldKeys, where);
        source.columns = columns(object.value(QStringLiteral("columns")), where + QStringLiteral(" columns "));
        const QJsonValue separator = object.value(QStringLiteral("separator"));
        if (!separator.isUndefined() && !separator.isString())
            complain(where + QStringLiteral(" separator は文字列で書いてください"));
        source.separator = separator.toString();
        const QJsonValue cleanups = object.value(QStringLiteral("cleanups"));
        if (!cleanups.isUndefined() && !cleanups.isArray())
            complain(where + QStringLiteral(" cleanups は [\"trim\", …] の形で書いてください"));
        for (const QJsonValue &name : cleanups.toArray()) {
            const auto known = std::find_if(std::begin(kCleanups), std::end(kCleanups),
                                            [&](const auto &c) { return name.toString() == QLatin1String(c.second); });
            if (known == std::end(kCleanups))
                complain(QStringLiteral("%1 cleanups の「%2」は使えません（width、postal、trim のどれか）").arg(where, name.toString()));
            else
                source.cleanups |= known->first;
        }
        if (object.contains(QStringLiteral("values")))
            readValues(*field, source, object.value(QStringLiteral("values")), where);
    }

    // The value table: each target must be one of the slip's options, or
    // null for a value the slip has no box for.
    void readValues(const slip::Field &field, FieldSource &source, const QJsonValue &values, const QString &where)
    {
        if (field.kind != slip::FieldKind::Choice) {
            complain(where + QStringLiteral(" values は使えません（値の表は配達時間帯とお届け通知だけです）"));
            return;
        }
        const QString options = slip::itemTexts(field).join(QStringLiteral("・"));
        QSet<QString> seen;
        const QJsonObject table = values.toObject();
        if (!values.isObject())
            complain(where + QStringLiteral(" values は { \"ファイルの値\": \"送り状の値\" } の形で書いてください"));
        for (auto it = table.begin(); it != table.end(); ++it) {
            if (seen.contains(slip::looseKey(it.key())))
                complain(QStringLiteral("%1 values の「%2」は、ほかの値と全角・半角や空白しか違いません").arg(where, it.key()));
            seen.insert(slip::looseKey(it.key()));
            ValueRule rule{it.key(), std::nullopt};
            if (!it.value().isNull()) {
                rule.choice = slip::choiceFor(field, it.value().toString());
                if (!it.value().isString() || !rule.choice)
                    complain(QStringLiteral("%1 values の「%2」の行き先「%3」は送り状にありません（%4 か、送り状の欄にないときは null）")
                                 .arg(where, it.key(), it.value().toVariant().toString(), options));
            }
            source.values << rule;
        }
    }

    void readFilter(const QJsonValue &filter)
    {
        Profile &p = m_read.profile;
        const QJsonObject object = filter.toObject();
        unknownKeys(object, {QStringLiteral("column"), QStringLiteral("values")}, QStringLiteral("filter の"));
        p.filterColumn = object.value(QStringLiteral("column")).toString();
        for (const QJsonValue &value : object.value(QStringLiteral("values")).toArray())
            p.filterValues << value.toString();
        if (slip::looseKey(p.filterColumn).isEmpty() || p.filterValues.isEmpty())
            complain(QStringLiteral("filter は { \"column\": \"列の名前\", \"values\": [\"値\", …] } の形で書いてください"));
    }

    QString m_name;
    ProfileRead m_read;
};

QJsonArray stringArray(const QStringList &texts)
{
    return QJsonArray::fromStringList(texts);
}

} // namespace

ProfileRead parseProfile(const QByteArray &json, const QString &name)
{
    return Reader(name).read(json);
}

QByteArray profileJson(const Profile &profile)
{
    QJsonObject top;
    for (const auto &[encoding, name] : kEncodings)
        if (encoding == profile.encoding)
            top.insert(QStringLiteral("encoding"), QLatin1String(name));
    top.insert(QStringLiteral("header"), stringArray(profile.header));
    top.insert(QStringLiteral("otherColumns"), profile.otherColumnsIgnored ? QStringLiteral("ignore") : QStringLiteral("refuse"));
    top.insert(QStringLiteral("ignore"), stringArray(profile.ignored));
    QJsonObject fields;
    for (const slip::Field &f : slip::fields()) {
        const FieldSource &source = profile.sources[size_t(f.id)];
        if (source.columns.isEmpty())
            continue;
        QJsonObject object{{QStringLiteral("columns"), stringArray(source.columns)}};
        if (!source.separator.isEmpty())
            object.insert(QStringLiteral("separator"), source.separator);
        QJsonArray cleanups;
        for (const auto &[cleanup, name] : kCleanups)
            if (source.cleanups & cleanup)
                cleanups.append(QLatin1String(name));
        if (!cleanups.isEmpty())
            object.insert(QStringLiteral("cleanups"), cleanups);
        if (!source.values.isEmpty()) {
            QJsonObject values;
            // An option the slip does not have is written as its number,
            // which reading the file refuses.
            for (const ValueRule &rule : source.values)
                values.insert(rule.from, !rule.choice ? QJsonValue(QJsonValue::Null)
                                         : *rule.choice >= 1 && size_t(*rule.choice) <= f.items.size()
                                             ? QJsonValue(QString::fromUtf8(f.items[size_t(*rule.choice - 1)]))
                                             : QJsonValue(*rule.choice));
            object.insert(QStringLiteral("values"), values);
        }
        fields.insert(QString::fromUtf8(f.caption), object);
    }
    top.insert(QStringLiteral("fields"), fields);
    if (!profile.filterColumn.isEmpty())
        top.insert(QStringLiteral("filter"), QJsonObject{{QStringLiteral("column"), profile.filterColumn},
                                                         {QStringLiteral("values"), stringArray(profile.filterValues)}});
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

QString cleaned(const QString &text, int cleanups)
{
    QString result = text;
    if (cleanups & WidthFold)
        result = result.normalized(QString::NormalizationForm_KC);
    if (cleanups & PostalSigns)
        result.removeIf(isPostalSign);
    // QChar::isSpace takes in the ideographic space as well.
    return cleanups & Trim ? result.trimmed() : result;
}

} // namespace nerufa::batch
