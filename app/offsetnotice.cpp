#include "offsetnotice.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace offsetnotice {

namespace {

// A folder as the operator knows it: "~/.config/" for the home's.
QString shortFolder(const QString &path)
{
    QString folder = QDir::toNativeSeparators(path) + QDir::separator();
    const QString home = QDir::toNativeSeparators(QDir::homePath());
    if (home != QDir::separator() && folder.startsWith(home + QDir::separator()))
        folder.replace(0, home.size(), QStringLiteral("~"));
    return folder;
}

} // namespace

void showSaved(QWidget *panel, const nerufa::offsets::OffsetPlace &place)
{
    if (!place.perUser)
        return;
    auto *label = panel->findChild<QLabel *>(QStringLiteral("HozonsakiLb"));
    if (!label) {
        // Right of the X spinner, above the two buttons.
        label = new QLabel(panel);
        label->setObjectName(QStringLiteral("HozonsakiLb"));
        label->setGeometry(186, 3, 100, 38);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QFont small = label->font();
        small.setPointSize(7);
        label->setFont(small);
        label->show();
    }
    // Three lines: what happened, the configuration folder, and the
    // program's folder in it.
    const QFileInfo folder(QFileInfo(place.files.x).path());
    label->setText(QStringLiteral("保存しました：\n%1\n%2%3")
                       .arg(label->fontMetrics().elidedText(shortFolder(folder.path()), Qt::ElideMiddle, label->width()),
                            folder.fileName(), QDir::separator()));
    label->setToolTip(QStringLiteral("ズレはこのユーザーの設定フォルダーに保存しました。\n%1\n%2")
                          .arg(QDir::toNativeSeparators(place.files.x), QDir::toNativeSeparators(place.files.y)));
}

} // namespace offsetnotice
