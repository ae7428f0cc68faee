// A bare window with the same number and kinds of controls as the slip
// window, with Japanese captions, and nothing else: no translations, no font
// substitutions, no offset files, no lock. bench_startup compares the
// program's start-up with this one's.
#include "startupprobe.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installFirstPaintProbe(app, QStringLiteral("baseline"));
    QWidget window;
    window.setObjectName(QStringLiteral("baseline"));
    window.setWindowTitle(QStringLiteral("ネルファ送り状印刷"));
    window.setFixedSize(725, 506);

    // The slip window: 9 frames, 17 text boxes, 10 combo boxes, 3 check
    // boxes, 8 option buttons, 24 labels, 10 command buttons, 3 toggle
    // buttons and 2 spinners (two arrow buttons each).
    QList<QGroupBox *> frames;
    for (int i = 0; i < 9; ++i) {
        auto *frame = new QGroupBox(QStringLiteral("お届け先"), &window);
        frame->setGeometry((i % 3) * 240, (i / 3) * 168, 235, 165);
        frames << frame;
    }
    int n = 0;
    const auto place = [&](QWidget *w) {
        w->setParent(frames[n % 9]);
        w->setGeometry(8 + (n / 9 % 3) * 75, 20 + (n / 27) * 24, 70, 20);
        ++n;
    };
    for (int i = 0; i < 17; ++i)
        place(new QLineEdit(QStringLiteral("0")));
    for (int i = 0; i < 10; ++i) {
        auto *combo = new QComboBox;
        combo->setEditable(true);
        combo->addItems({QStringLiteral("衣類"), QStringLiteral("雑貨")});
        place(combo);
    }
    for (int i = 0; i < 3; ++i)
        place(new QCheckBox(QStringLiteral("様方：")));
    for (int i = 0; i < 8; ++i)
        place(new QRadioButton(QStringLiteral("午後１２時～１４時頃")));
    for (int i = 0; i < 24; ++i)
        place(new QLabel(QStringLiteral("郵便番号　：")));
    for (int i = 0; i < 13; ++i) {
        auto *button = new QPushButton(QStringLiteral("印刷"));
        button->setCheckable(i >= 10);
        place(button);
    }
    for (int i = 0; i < 2; ++i) {
        auto *spinner = new QWidget;
        auto *up = new QToolButton(spinner);
        up->setArrowType(Qt::UpArrow);
        auto *down = new QToolButton(spinner);
        down->setArrowType(Qt::DownArrow);
        place(spinner);
    }
    window.show();
    return QApplication::exec();
}
