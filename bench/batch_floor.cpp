// The floor for the CSV batch into a PDF file: the least a program can do to
// draw the same pages. It reads a page list made beforehand from the
// program's own printer calls (bench_batch writes it; see floorpages.h) and
// draws it with QPdfWriter on A4 at 1200 dpi with the same font: one font
// made for the writer per distinct font, with its ascent, set on the
// painter only when it changes. No CSV, no checks, no slip rules, no job
// logic, no kept pages. bench_batch compares the program with it.
//
//   batch_floor PAGES OUT.pdf

#include "floorpages.h"
#include "fonts.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>

#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: batch_floor PAGES OUT.pdf\n");
        return 2;
    }
    nerufa::fonts::registerSubstitutions();
    QFile input(QFile::decodeName(argv[1]));
    QFile output(QFile::decodeName(argv[2]));
    if (!input.open(QIODevice::ReadOnly) || !output.open(QIODevice::WriteOnly))
        return 1;
    const QByteArray pages = input.readAll();
    floorpages::Reader in(pages);

    QPdfWriter writer(&output);
    writer.setResolution(1200);
    QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());
    layout.setMinimumMargins(QMarginsF());
    writer.setPageLayout(layout);
    QPainter painter(&writer);
    painter.setBrush(Qt::NoBrush);
    const double scale = writer.logicalDpiX() / 1440.0;
    const double dotsPerLineUnit = writer.logicalDpiX() / 600.0;

    struct Font {
        QFont font;
        qreal ascent;
    };
    std::vector<Font> fonts;
    size_t font = 0;
    int lineWidth = 1;
    bool fontOnPainter = false;
    bool pageEnded = false;
    // A page begins with the first drawing after the end of the last.
    const auto drawing = [&] {
        if (pageEnded) {
            writer.newPage();
            fontOnPainter = false;
            pageEnded = false;
        }
    };
    while (!in.atEnd()) {
        switch (in.kind()) {
        case floorpages::Kind::NewFont: {
            QFont wanted(in.text());
            wanted.setPointSizeF(in.number());
            wanted.setBold(in.number() != 0);
            const QFont bound(wanted, &writer);
            fonts.push_back({bound, QFontMetricsF(bound).ascent()});
            break;
        }
        case floorpages::Kind::UseFont:
            font = size_t(in.number());
            fontOnPainter = false;
            break;
        case floorpages::Kind::Text: {
            drawing();
            if (!fontOnPainter)
                painter.setFont(fonts[font].font);
            fontOnPainter = true;
            const double x = in.number();
            const double y = in.number();
            painter.drawText(QPointF(x * scale, y * scale + fonts[font].ascent), in.text());
            break;
        }
        case floorpages::Kind::LineWidth:
            lineWidth = int(in.number());
            break;
        case floorpages::Kind::Circle: {
            drawing();
            painter.setPen(QPen(Qt::black, lineWidth * dotsPerLineUnit));
            const double x = in.number();
            const double y = in.number();
            const double radius = in.number() * scale;
            painter.drawEllipse(QPointF(x * scale, y * scale), radius, radius);
            break;
        }
        case floorpages::Kind::EndPage:
            pageEnded = true;
            break;
        }
    }
    return painter.end() ? 0 : 1;
}
