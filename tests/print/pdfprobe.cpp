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
    return !QStandardPaths::findExecutable("pdftotext").isEmpty() && !QStandardPaths::findExecutable("pdffonts").isEmpty()
        && !QStandardPaths::findExecutable("pdftoppm").isEmpty();
}

TextLayout readText(const QString &pdf, QString *error)
{
    TextLayout layout;
    QXmlStreamReader xml(run("pdftotext", {"-bbox", pdf, "-"}, error));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"page" && ++layout.pages == 1)
            layout.pageSize = QSizeF(xml.attributes().value("width").toDouble(), xml.attributes().value("height").toDouble());
        if (xml.tokenType() == QXmlStreamReader::StartElement && xml.name() == u"word") {
            const double xMin = xml.attributes().value("xMin").toDouble(), yMin = xml.attributes().value("yMin").toDouble();
            layout.words.append({xml.readElementText(), xMin, yMin});
        }
    }
    if (xml.hasError() && error->isEmpty())
        *error = QStringLiteral("pdftotext output: ") + xml.errorString();
    return layout;
}

QStringList readFonts(const QString &pdf, QString *error)
{
    // name type encoding emb sub uni object ID, after two header lines. The
    // type may hold blanks ("CID TrueType"), so columns count from the right.
    QStringList fonts;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString &line : QString::fromUtf8(run("pdffonts", {pdf}, error)).split(u'\n').mid(2)) {
        const QStringList columns = line.split(blanks, Qt::SkipEmptyParts);
        if (columns.size() >= 7)
            fonts << columns.first().section(u'+', -1) + (columns[columns.size() - 5] == u"yes" ? "" : " (not embedded)");
    }
    return fonts;
}

QImage renderArea(const QString &pdf, int dpi, int x, int y, int width, int height, QString *error, int page)
{
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("area"));
    QStringList arguments{"-singlefile", "-gray", "-png"};
    for (const auto &[option, value] : {std::pair{"-r", dpi}, {"-x", x}, {"-y", y}, {"-W", width}, {"-H", height},
                                        {"-f", page}, {"-l", page}})
        arguments << option << QString::number(value);
    run("pdftoppm", arguments << pdf << prefix, error);
    return QImage(prefix + QStringLiteral(".png"));
}

QList<Word> wordsNamed(const TextLayout &layout, const QString &text)
{
    QList<Word> found = layout.words;
    found.removeIf([&](const Word &word) { return word.text != text; });
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

QString circleProblem(const QString &pdf, QPointF centre, double radiusMm)
{
    const double mmPerTenth = 5.67 * 25.4 / 1440.0; // 0.1 mm of the slip is 5.67 twips, a hair over 0.1 mm
    const double pxPerMm = 1200 / 25.4, radius = radiusMm * 5.67 / 5.6692913;
    const int half = int((radius + 1.0) * pxPerMm);
    const QPoint corner = (centre * mmPerTenth * pxPerMm).toPoint() - QPoint(half, half);
    QString error;
    const QImage area = renderArea(pdf, 1200, corner.x(), corner.y(), 2 * half, 2 * half, &error);
    QRect ink;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            if (qGray(area.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    const QPointF inkCentre = (QPointF(ink.left() + ink.right() + 1, ink.top() + ink.bottom() + 1) / 2 + corner) / pxPerMm;
    const double across = ink.width() / pxPerMm, pen = 2.0 / 600 * 25.4;
    if (ink.isEmpty() || (inkCentre - centre * mmPerTenth).manhattanLength() > 0.1
        || qAbs(across - 2 * radius - pen) > 0.05 || qGray(area.pixel(ink.center())) < 128)
        return QStringLiteral("circle at (%1, %2) mm, %3 mm across %4").arg(inkCentre.x()).arg(inkCentre.y()).arg(across).arg(error);
    return {};
}

} // namespace nerufa::testpdf
