#pragma once

#include <QByteArray>
#include <QLatin1Char>
#include <QString>

// The orders every batch benchmark prints: a CSV file with a header and
// `rows` rows, each with every item of the slip filled in.
inline QByteArray benchOrdersCsv(int rows)
{
    QByteArray csv = "お届け先郵便番号,お届け先住所1,お届け先住所2,お届け先名前,お届け先様方,お届け先電話番号,"
                     "ご依頼主郵便番号,ご依頼主住所1,ご依頼主住所2,ご依頼主名前,ご依頼主様方,ご依頼主電話番号,"
                     "品名1,品名2,商品番号1,商品番号2,数量1,単価1,数量2,単価2,希望月,希望日,配達時間帯,お届け通知\r\n";
    for (int i = 1; i <= rows; ++i) {
        csv += QStringLiteral("%1,東京都千代田区丸の内%2,一丁目ビル１２階,山田太郎%2,佐藤様方,03-1111-%3,"
                              "5300001,大阪府大阪市北区,梅田三丁目,鈴木花子,田中様方,06-3333-4444,"
                              "りんご,みかん,A-%2,B-200,%4,4000,12,1500,03,15,夕方１７時～１９時頃,不要\r\n")
                   .arg(1000000 + i).arg(i).arg(i % 10000, 4, 10, QLatin1Char('0')).arg(i % 999 + 1)
                   .toUtf8();
    }
    return csv;
}
