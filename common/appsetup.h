#pragma once

class QGuiApplication;

namespace nerufa {

// What every start of the program does first, the window and the command
// line alike: the program's name, Qt's own texts in Japanese (standard
// buttons read はい / いいえ / キャンセル), the Japanese face substitutions,
// and no signal that a failing write raises may end the program: a file-size
// limit makes the write fail with EFBIG (SIGXFSZ), and a closed standard
// error makes writing to it fail with EPIPE (SIGPIPE); the caller reports
// or ignores the failure.
void setUpApplication(QGuiApplication &app);

} // namespace nerufa
