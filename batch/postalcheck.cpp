#include "postalcheck.h"

#include "fields.h"

namespace nerufa::batch {

namespace {

using slip::FieldId;

QString caption(FieldId id)
{
    return QString::fromUtf8(slip::field(id).caption);
}

// Why one block's code and first address line do not go together; empty
// when they do.
QString mismatch(const postal::PostalTable &table, FieldId codeField, const QString &codeText, FieldId addressField,
                 const QString &address)
{
    if (codeText.trimmed().isEmpty())
        return {};
    const int code = postal::parseCode(codeText);
    const QList<postal::Place> places = code < 0 ? QList<postal::Place>() : table.lookUp(code);
    if (places.isEmpty())
        return QStringLiteral("（%1）：「%2」という郵便番号は見つかりません").arg(caption(codeField), codeText);
    if (address.trimmed().isEmpty())
        return {};
    const QString typed = postal::foldAddress(address);
    QStringList municipalities;
    for (const postal::Place &place : places) {
        const QString municipality = table.municipalityOf(place.address);
        const QString withoutPrefecture = municipality.mid(postal::prefectureLength(municipality));
        if (typed.startsWith(postal::foldAddress(municipality)) || typed.startsWith(postal::foldAddress(withoutPrefecture)))
            return {};
        if (!municipalities.contains(municipality))
            municipalities << municipality;
    }
    return QStringLiteral("（%1）：「%2」は郵便番号 %3 の「%4」で始まっていません")
        .arg(caption(addressField), address, postal::codeWithHyphen(code), municipalities.join(QStringLiteral("」か「")));
}

} // namespace

QStringList postalWarnings(const QList<Order> &orders, const postal::PostalTable &table)
{
    QStringList warnings;
    for (const Order &order : orders) {
        const SlipSnapshot &s = order.slip;
        for (const QString &why : {mismatch(table, FieldId::RecipientPostal, s.recipientPostal, FieldId::RecipientAddress1, s.recipientAddress1),
                                   mismatch(table, FieldId::SenderPostal, s.senderPostal, FieldId::SenderAddress1, s.senderAddress1)})
            if (!why.isEmpty())
                warnings << QStringLiteral("%1 件目").arg(order.row) + why;
    }
    return warnings;
}

QString postalWarningsMessage(const QStringList &warnings)
{
    if (warnings.isEmpty())
        return {};
    return QStringLiteral("郵便番号と住所を確かめてください（印刷はできます）：\n") + problemsMessage(warnings);
}

} // namespace nerufa::batch
