#include "pdfinspect.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace nerufa::testpdf {

namespace {

// Runs a poppler tool and returns its standard output, or an empty array
// with *error set.
QByteArray run(const QString &tool, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        *error = QStringLiteral("%1 %2 failed: %3 %4")
                     .arg(tool, arguments.join(u' '), process.errorString(),
                          QString::fromLocal8Bit(process.readAllStandardError()));
        return {};
    }
    return process.readAllStandardOutput();
}

} // namespace

bool toolsAvailable()
{
    for (const char *tool : {"pdftotext", "pdffonts", "pdftoppm"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    }
    return true;
}

TextLayout readText(const QString &pdf, QString *error)
{
    TextLayout layout;
    const QByteArray html = run(QStringLiteral("pdftotext"),
                                {QStringLiteral("-bbox"), pdf, QStringLiteral("-")}, error);
    if (html.isEmpty())
        return layout;
    QXmlStreamReader xml(html);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"page") {
            ++layout.pages;
        } else if (xml.name() == u"word") {
            const QXmlStreamAttributes a = xml.attributes();
            Word word;
            word.page = layout.pages;
            word.xMin = a.value(QStringLiteral("xMin")).toDouble();
            word.yMin = a.value(QStringLiteral("yMin")).toDouble();
            word.xMax = a.value(QStringLiteral("xMax")).toDouble();
            word.yMax = a.value(QStringLiteral("yMax")).toDouble();
            word.text = xml.readElementText();
            layout.words.append(word);
        }
    }
    if (xml.hasError())
        *error = QStringLiteral("pdftotext output: ") + xml.errorString();
    return layout;
}

QList<Font> readFonts(const QString &pdf, QString *error)
{
    QList<Font> fonts;
    const QString out = QString::fromUtf8(run(QStringLiteral("pdffonts"), {pdf}, error));
    // name type encoding emb sub uni object ID; two header lines first.
    // The type may hold blanks ("CID TrueType"), so the columns are read
    // from the right.
    const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList columns = lines[i].split(blanks, Qt::SkipEmptyParts);
        if (columns.size() < 7)
            continue;
        Font font;
        font.name = columns.first().section(u'+', -1);
        font.embedded = columns[columns.size() - 5] == u"yes";
        fonts.append(font);
    }
    return fonts;
}

QImage renderArea(const QString &pdf, int dpi, int x, int y, int width, int height,
                  QString *error)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("area"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-singlefile"),
         QStringLiteral("-gray"), QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
         QStringLiteral("-x"), QString::number(x), QStringLiteral("-y"), QString::number(y),
         QStringLiteral("-W"), QString::number(width), QStringLiteral("-H"), QString::number(height),
         pdf, prefix},
        error);
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
    // One tenth of a millimetre on the slip is 5.67 twips, a hair over 0.1 mm.
    const double mmPerTenth = mmFromTwips(5.67);
    QString problems;
    for (const SlipText &t : texts) {
        const QList<Word> words = wordsNamed(layout, t.text);
        if (words.size() != 1) {
            problems += QStringLiteral("\n%1: %2 words").arg(t.text).arg(words.size());
            continue;
        }
        const QPointF want = originMm + QPointF((t.x + dx) * mmPerTenth, (t.y + dy - 21) * mmPerTenth);
        const QPointF got(mmFromPoints(words[0].xMin), mmFromPoints(words[0].yMin));
        if (qAbs(got.x() - want.x()) > 0.05 || qAbs(got.y() - want.y()) > 0.05) {
            problems += QStringLiteral("\n%1 at (%2, %3) mm, expected (%4, %5)")
                            .arg(t.text)
                            .arg(got.x())
                            .arg(got.y())
                            .arg(want.x())
                            .arg(want.y());
        }
    }
    return problems;
}

} // namespace nerufa::testpdf
