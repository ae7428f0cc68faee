#include "pdfprobe.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace nerufa::testpdf {

namespace {

// Runs a poppler tool: its standard output, or nothing with *error set.
QByteArray run(const QString &tool, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(tool, arguments);
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0)
        return process.readAllStandardOutput();
    *error = QStringLiteral("%1 %2 failed: %3 %4")
                 .arg(tool, arguments.join(u' '), process.errorString(),
                      QString::fromLocal8Bit(process.readAllStandardError()));
    return {};
}

} // namespace

bool toolsAvailable()
{
    for (const char *tool : {"pdftotext", "pdffonts", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

TextLayout readText(const QString &pdf, QString *error)
{
    TextLayout layout;
    QXmlStreamReader xml(run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}, error));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"page") {
            ++layout.pages;
        } else if (xml.name() == u"word") {
            const QXmlStreamAttributes a = xml.attributes();
            const double xMin = a.value(QLatin1String("xMin")).toDouble(), yMin = a.value(QLatin1String("yMin")).toDouble();
            layout.words.append({xml.readElementText(), xMin, yMin});
        }
    }
    if (xml.hasError() && error->isEmpty())
        *error = QStringLiteral("pdftotext output: ") + xml.errorString();
    return layout;
}

QList<Font> readFonts(const QString &pdf, QString *error)
{
    // name type encoding emb sub uni object ID, after two header lines. The
    // type may hold blanks ("CID TrueType"), so columns count from the right.
    QList<Font> fonts;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList lines = QString::fromUtf8(run(QStringLiteral("pdffonts"), {pdf}, error)).split(u'\n');
    for (const QString &line : lines.mid(2)) {
        const QStringList columns = line.split(blanks, Qt::SkipEmptyParts);
        if (columns.size() >= 7)
            fonts.append({columns.first().section(u'+', -1), columns[columns.size() - 5] == u"yes"});
    }
    return fonts;
}

QImage renderArea(const QString &pdf, int dpi, int x, int y, int width, int height, QString *error)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("area"));
    QStringList arguments{QStringLiteral("-singlefile"), QStringLiteral("-gray"), QStringLiteral("-png")};
    for (const auto &[option, value] : {std::pair{"-r", dpi}, {"-x", x}, {"-y", y}, {"-W", width}, {"-H", height}})
        arguments << QString::fromLatin1(option) << QString::number(value);
    run(QStringLiteral("pdftoppm"), arguments << pdf << prefix, error);
    return QImage(prefix + QStringLiteral(".png"));
}

QList<Word> wordsNamed(const TextLayout &layout, const QString &text)
{
    QList<Word> found;
    for (const Word &word : layout.words)
        if (word.text == text)
            found.append(word);
    return found;
}

QString checkSlipTexts(const TextLayout &layout, const QList<SlipText> &texts, double dx,
                       double dy, QPointF originMm)
{
    const double mmPerTenth = 5.67 * 25.4 / 1440; // 5.67 twips, a hair over 0.1 mm
    const double mmPerPoint = 25.4 / 72;
    QString problems;
    for (const SlipText &t : texts) {
        const QList<Word> words = wordsNamed(layout, t.text);
        if (words.size() != 1) {
            problems += QStringLiteral("\n%1: %2 words").arg(t.text).arg(words.size());
            continue;
        }
        const QPointF want = originMm + QPointF(t.x + dx, t.y + dy - 21) * mmPerTenth;
        const QPointF got = QPointF(words[0].xMin, words[0].yMin) * mmPerPoint;
        if (qAbs(got.x() - want.x()) > 0.05 || qAbs(got.y() - want.y()) > 0.05)
            problems += QStringLiteral("\n%1 at (%2, %3) mm, expected (%4, %5)")
                            .arg(t.text).arg(got.x()).arg(got.y()).arg(want.x()).arg(want.y());
    }
    return problems;
}

} // namespace nerufa::testpdf
