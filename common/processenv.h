#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What the program needs from the process it runs in: the folder that holds
// its executable.
namespace nerufa::processenv {

// The folder part of an executable's path as the system gives it, in
// bytes. Nothing when those bytes are no name Qt can hold, that is when
// they do not come back unchanged from QFile::decodeName and encodeName (a
// folder "caf\xe9" on a UTF-8 system): a decoded look-alike would be some
// other folder, or none.
std::optional<QString> folderOfExecutable(const QByteArray &executablePath);

// The folder of the running executable, from the real path behind
// /proc/self/exe (links resolved, so a start through a link finds the real
// folder). Empty when it cannot be found or named.
QString programFolder();

} // namespace nerufa::processenv
