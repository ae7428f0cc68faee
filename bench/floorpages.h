#pragma once

#include <QByteArray>
#include <map>
#include <QString>
#include <QStringList>

#include <cstring>
#include <tuple>

// The page list batch_floor draws: the program's printer calls made into
// drawing steps beforehand, so that the floor spends nothing on reading
// them. A list of 8-byte numbers (this machine's doubles): each step is
// its kind, then its numbers; a text is its length and its UTF-16 units,
// padded to whole numbers.
namespace floorpages {

enum class Kind {
    NewFont,   // family (text), point size, bold (0 or 1); its index is the count of fonts before it
    UseFont,   // index
    Text,      // x, y of the text cell's top-left (twips), text
    LineWidth, // dots at 600 dpi
    Circle,    // centre x, y and radius (twips)
    EndPage,
};

class Reader {
public:
    explicit Reader(const QByteArray &bytes) : m_at(bytes.constData()), m_end(bytes.constData() + bytes.size()) {}
    bool atEnd() const { return m_at >= m_end; }
    Kind kind() { return Kind(int(number())); }
    double number()
    {
        double value = 0;
        std::memcpy(&value, m_at, sizeof value);
        m_at += sizeof value;
        return value;
    }
    QString text()
    {
        const auto length = qsizetype(number());
        QString text(length, Qt::Uninitialized);
        std::memcpy(text.data(), m_at, size_t(length) * 2);
        m_at += (length * 2 + 7) / 8 * 8;
        return text;
    }

private:
    const char *m_at;
    const char *m_end;
};

// The page list of the recording printer's calls ("fontSize 12",
// "currentX 4762.8003", "printText 山田", "endDoc", …), drawn as a page
// printer draws them: a text at the current position in the current font,
// an empty text not at all.
inline QByteArray fromPrinterCalls(const QStringList &calls)
{
    QByteArray out;
    const auto number = [&](double value) { out.append(reinterpret_cast<const char *>(&value), sizeof value); };
    const auto text = [&](const QString &value) {
        number(double(value.size()));
        out.append(reinterpret_cast<const char *>(value.constData()), value.size() * 2);
        out.append(QByteArray((8 - value.size() * 2 % 8) % 8, '\0'));
    };
    const auto kind = [&](Kind value) { number(double(int(value))); };
    std::map<std::tuple<QString, double, bool>, int> fonts;
    QString family;
    double size = 0, x = 0, y = 0;
    bool bold = false;
    int current = -1;
    for (const QString &call : calls) {
        const qsizetype space = call.indexOf(u' ');
        const QString op = space < 0 ? call : call.left(space);
        const QString rest = space < 0 ? QString() : call.mid(space + 1);
        const QStringList numbers = rest.split(u' ');
        if (op == u"fontName") {
            family = rest;
        } else if (op == u"fontSize") {
            size = rest.toFloat();
        } else if (op == u"fontBold") {
            bold = rest.toFloat() != 0;
        } else if (op == u"currentX") {
            x = rest.toFloat();
        } else if (op == u"currentY") {
            y = rest.toFloat();
        } else if (op == u"printText" && !rest.isEmpty()) {
            const auto key = std::make_tuple(family, size, bold);
            if (!fonts.count(key)) {
                fonts.emplace(key, int(fonts.size()));
                kind(Kind::NewFont);
                text(family);
                number(size);
                number(bold ? 1 : 0);
            }
            if (fonts.at(key) != current) {
                current = fonts.at(key);
                kind(Kind::UseFont);
                number(current);
            }
            kind(Kind::Text);
            number(x);
            number(y);
            text(rest);
        } else if (op == u"lineWidth") {
            kind(Kind::LineWidth);
            number(rest.toFloat());
        } else if (op == u"circle") {
            kind(Kind::Circle);
            for (const QString &value : numbers)
                number(value.toFloat());
        } else if (op == u"endDoc") {
            kind(Kind::EndPage);
        }
    }
    return out;
}

} // namespace floorpages
