#include "orders.h"

#include "csvtable.h"
#include "runtimeerror.h"
#include "textnum.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <array>
#include <optional>

namespace nerufa::batch {

namespace {

// What a column fills in, and how its text is checked.
enum class Kind { Text, Number, Month, Day, TimeSlot, Notification };

struct Column {
    const char *name;
    Kind kind;
    QString SlipSnapshot::*field;
    int maxLength; // the window box's typing limit, 0 for none
};

using S = SlipSnapshot;
const std::array<Column, 24> kColumns = {{
    {"お届け先郵便番号", Kind::Text, &S::recipientPostal, 7},
    {"お届け先住所1", Kind::Text, &S::recipientAddress1, 0},
    {"お届け先住所2", Kind::Text, &S::recipientAddress2, 0},
    {"お届け先名前", Kind::Text, &S::recipientName, 0},
    {"お届け先様方", Kind::Text, &S::recipientCareOf, 0},
    {"お届け先電話番号", Kind::Text, &S::recipientPhone, 0},
    {"ご依頼主郵便番号", Kind::Text, &S::senderPostal, 0},
    {"ご依頼主住所1", Kind::Text, &S::senderAddress1, 0},
    {"ご依頼主住所2", Kind::Text, &S::senderAddress2, 0},
    {"ご依頼主名前", Kind::Text, &S::senderName, 0},
    {"ご依頼主様方", Kind::Text, &S::senderCareOf, 0},
    {"ご依頼主電話番号", Kind::Text, &S::senderPhone, 0},
    {"品名1", Kind::Text, &S::goods1, 0},
    {"品名2", Kind::Text, &S::goods2, 0},
    {"商品番号1", Kind::Text, &S::productNumber1, 0},
    {"商品番号2", Kind::Text, &S::productNumber2, 0},
    {"数量1", Kind::Number, &S::quantity1, 3},
    {"単価1", Kind::Number, &S::unitPrice1, 5},
    {"数量2", Kind::Number, &S::quantity2, 3},
    {"単価2", Kind::Number, &S::unitPrice2, 5},
    {"希望月", Kind::Month, &S::desiredMonth, 0},
    {"希望日", Kind::Day, &S::desiredDay, 0},
    {"配達時間帯", Kind::TimeSlot, nullptr, 0},
    {"お届け通知", Kind::Notification, nullptr, 0},
}};

// Captions of the time-slot options in the window's order, the last being
// the one selected at start.
const std::array<const char *, 6> kTimeSlots = {
    "午前  ９時～１２時頃", "午後１２時～１４時頃", "午後１４時～１７時頃",
    "夕方１７時～１９時頃", "夜間１９時～２１時頃", "希望なし"};

// Header names and option captions match whatever width their letters,
// digits and tilde are typed in, and without blanks: "住所１" is "住所1",
// "午前 9時~12時頃" is the first time slot.
QString loose(const QString &text)
{
    QString folded = text.normalized(QString::NormalizationForm_KC);
    folded.removeIf([](QChar c) { return c.isSpace(); });
    return folded;
}

std::optional<int> optionIndex(const QString &text, const QStringList &captions)
{
    const QString key = loose(text);
    for (int i = 0; i < captions.size(); ++i)
        if (key == loose(captions[i]))
            return i;
    return std::nullopt;
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

// Reads one record into an order; every problem of it goes to `problems`.
class RowReader {
public:
    RowReader(int row, const QDate &today, QStringList &problems)
        : m_row(row), m_today(today), m_problems(problems)
    {
        // A missing option column is the option selected at start.
        m_slip.timeSlot = int(kTimeSlots.size());
        m_slip.notification = 1;
    }

    void take(const Column &column, const QString &text)
    {
        const QString name = QString::fromUtf8(column.name);
        if (hasControlCharacter(text))
            return complain(name, QStringLiteral("改行や制御文字は入れられません（窓の欄と同じく 1 行の文字だけです）"));
        // The limit counts UTF-16 units, as the window's boxes do.
        if (column.maxLength > 0 && text.size() > column.maxLength)
            return complain(name, QStringLiteral("%1 文字までです（%2 文字あります）").arg(column.maxLength).arg(text.size()));
        switch (column.kind) {
        case Kind::Text:
        case Kind::Month:
        case Kind::Day:
            m_slip.*column.field = text;
            break;
        case Kind::Number:
            m_slip.*column.field = text;
            if (!text.isEmpty()) {
                m_numbers = true;
                checkNumber(name, text);
            }
            break;
        case Kind::TimeSlot: {
            QStringList captions;
            for (const char *caption : kTimeSlots)
                captions << QString::fromUtf8(caption);
            const std::optional<int> index = text.isEmpty() ? std::optional<int>(5) : optionIndex(text, captions);
            if (!index)
                return complain(name, QStringLiteral("「%1」は選べません（空欄か %2）").arg(text, captions.join(QStringLiteral("・"))));
            m_slip.timeSlot = *index + 1;
            break;
        }
        case Kind::Notification: {
            const QStringList answers = {QStringLiteral("必要"), QStringLiteral("不要")};
            const std::optional<int> index = text.isEmpty() ? std::optional<int>(0) : optionIndex(text, answers);
            if (!index)
                return complain(name, QStringLiteral("「%1」は選べません（空欄・必要・不要）").arg(text));
            m_slip.notification = *index + 1;
            break;
        }
        }
    }

    // The window's rules for what shows, then the amounts as 「合計」 makes
    // them. Returns the order, or nothing when the row had a problem.
    std::optional<Order> finish(int problemsBefore)
    {
        SlipSnapshot &s = m_slip;
        s.recipientCareOfVisible = !s.recipientCareOf.isEmpty();
        s.senderCareOfVisible = !s.senderCareOf.isEmpty();
        if (!s.desiredMonth.isEmpty() || !s.desiredDay.isEmpty()) {
            // The date lists start at today; a part left empty keeps that.
            if (s.desiredMonth.isEmpty())
                s.desiredMonth = twoDigits(m_today.month());
            if (s.desiredDay.isEmpty())
                s.desiredDay = twoDigits(m_today.day());
            s.desiredMonthVisible = s.desiredDayVisible = true;
        }
        if (m_numbers && m_problems.size() == problemsBefore)
            computeAmounts();
        if (m_problems.size() != problemsBefore)
            return std::nullopt;
        return Order{m_row, s};
    }

private:
    void complain(const QString &column, const QString &what)
    {
        m_problems << QStringLiteral("%1 件目（%2）：%3").arg(m_row).arg(column, what);
    }

    void checkNumber(const QString &name, const QString &text)
    {
        try {
            textnum::toDouble(text, name);
        } catch (const RuntimeError &error) {
            complain(name, error.kind() == RuntimeError::Kind::Overflow
                               ? QStringLiteral("「%1」は大きすぎます").arg(text)
                               : QStringLiteral("「%1」は数字ではありません").arg(text));
        }
    }

    // The numeric area is on. Boxes left empty hold the window's "0", then
    // the amounts and the total are computed and written as 「合計」 does.
    void computeAmounts()
    {
        namespace tn = textnum;
        SlipSnapshot &s = m_slip;
        s.numericToggleDown = true;
        for (QString *box : {&s.quantity1, &s.unitPrice1, &s.quantity2, &s.unitPrice2})
            if (box->isEmpty())
                *box = QStringLiteral("0");
        try {
            const double quantity1 = tn::toDouble(s.quantity1, QStringLiteral("数量1"));
            const double price1 = tn::toDouble(s.unitPrice1, QStringLiteral("単価1"));
            const double quantity2 = tn::toDouble(s.quantity2, QStringLiteral("数量2"));
            const double price2 = tn::toDouble(s.unitPrice2, QStringLiteral("単価2"));
            const double amount1 = tn::checkedDouble(quantity1 * price1, QStringLiteral("金額1"));
            const double amount2 = tn::checkedDouble(quantity2 * price2, QStringLiteral("金額2"));
            const double total = tn::checkedDouble(quantity1 * price1 + quantity2 * price2, QStringLiteral("合計"));
            // Written whole: the boxes' typing limits bind typing only.
            s.amount1 = tn::formatGeneral(amount1);
            s.amount2 = tn::formatGeneral(amount2);
            s.total = tn::formatGeneral(total);
        } catch (const RuntimeError &error) {
            complain(QStringLiteral("合計"), error.detail());
        }
    }

    int m_row;
    QDate m_today;
    QStringList &m_problems;
    SlipSnapshot m_slip;
    bool m_numbers = false;
};

} // namespace

const QStringList &columnNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const Column &column : kColumns)
            list << QString::fromUtf8(column.name);
        return list;
    }();
    return names;
}

OrderList readOrders(const QByteArray &bytes, const QDate &today)
{
    OrderList result;
    const CsvTable table = parseCsv(bytes);
    result.encoding = table.encoding;
    result.problems = table.problems;
    if (!result.problems.isEmpty())
        return result;

    // Header: every name must be known and appear once. A column without a
    // name is let through only when it is empty all the way down (some
    // spreadsheets write such a column after the last one).
    QHash<QString, int> known;
    for (int i = 0; i < int(kColumns.size()); ++i)
        known.insert(loose(QString::fromUtf8(kColumns[i].name)), i);
    QList<int> columnOf; // header position -> column index, -1 ignored
    QHash<int, int> seen;
    for (qsizetype position = 0; position < table.header.size(); ++position) {
        const QString name = table.header[position];
        const QString key = loose(name);
        int index = -1;
        if (key.isEmpty()) {
            const bool used = std::any_of(table.records.begin(), table.records.end(), [&](const QStringList &record) {
                return position < record.size() && !record[position].isEmpty();
            });
            if (used)
                result.problems << QStringLiteral("見出しの %1 列目に名前がありません").arg(position + 1);
        } else if (!known.contains(key)) {
            result.problems << QStringLiteral("見出しの「%1」（%2 列目）は知らない列名です。使える列名は README の一覧を見てください")
                                   .arg(name).arg(position + 1);
        } else if (seen.contains(known.value(key))) {
            result.problems << QStringLiteral("見出しの「%1」が 2 回あります（%2 列目と %3 列目）")
                                   .arg(name).arg(seen.value(known.value(key)) + 1).arg(position + 1);
        } else {
            index = known.value(key);
            seen.insert(index, int(position));
        }
        columnOf << index;
    }
    if (table.header.isEmpty())
        result.problems << QStringLiteral("ファイルが空です（見出しの行がありません）");
    if (!result.problems.isEmpty())
        return result;

    for (qsizetype i = 0; i < table.records.size(); ++i) {
        const QStringList &record = table.records[i];
        const int row = int(i + 1);
        if (std::all_of(record.begin(), record.end(), [](const QString &field) { return field.isEmpty(); }))
            continue; // a row of empty fields is no order
        if (record.size() != table.header.size()) {
            result.problems << QStringLiteral("%1 件目：列の数が見出しと違います（見出し %2、この行 %3）")
                                   .arg(row).arg(table.header.size()).arg(record.size());
            continue;
        }
        const qsizetype before = result.problems.size();
        RowReader reader(row, today, result.problems);
        for (qsizetype position = 0; position < record.size(); ++position)
            if (columnOf[position] >= 0)
                reader.take(kColumns[size_t(columnOf[position])], record[position]);
        if (std::optional<Order> order = reader.finish(int(before)))
            result.orders << *order;
    }
    if (result.problems.isEmpty() && result.orders.isEmpty())
        result.problems << QStringLiteral("印刷する行が 1 件もありません");
    if (!result.problems.isEmpty())
        result.orders.clear();
    return result;
}

OrderList readOrderFile(const QString &path, const QDate &today)
{
    OrderList result;
    // Only a plain file: reading a FIFO or a device could never end. A
    // day's orders are far below the size limit; a larger file is not one.
    constexpr qint64 kLargest = 64 * 1024 * 1024;
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        result.problems << QStringLiteral("ファイル「%1」を読めません（ないか、ふつうのファイルではありません）").arg(path);
        return result;
    }
    if (info.size() > kLargest) {
        result.problems << QStringLiteral("ファイル「%1」は大きすぎます（64 MB まで）").arg(path);
        return result;
    }
    return readOrders(file.readAll(), today);
}

QString problemsMessage(const QStringList &problems)
{
    constexpr int kShown = 20;
    QString message = problems.mid(0, kShown).join(QLatin1Char('\n'));
    if (problems.size() > kShown)
        message += QStringLiteral("\nほかに %1 件の問題があります。").arg(problems.size() - kShown);
    return message;
}

QString recipientLine(const Order &order)
{
    const SlipSnapshot &s = order.slip;
    const QString name = s.recipientName.isEmpty() ? QStringLiteral("（名前なし）") : s.recipientName;
    return s.recipientAddress1.isEmpty() ? name : QStringLiteral("%1（%2）").arg(name, s.recipientAddress1);
}

} // namespace nerufa::batch
