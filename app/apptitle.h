#pragma once

#include <QString>

// The title of the window and of every message box the program shows.
inline QString applicationTitle()
{
    return QStringLiteral("ネルファ送り状印刷");
}
