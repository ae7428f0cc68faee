#pragma once

#include <QString>

class QApplication;

// Application-wide settings of the window program: what every start does
// (setUpApplication), then the window's style and default font. Called
// once, right after the QApplication is made.
void setupWindowApplication(QApplication &app);

// Whether a window can be shown: a display to draw on, or a Qt platform
// chosen by name (offscreen for tests). Without one Qt would end the
// program with English messages.
bool displayAvailable();

// Makes the window, runs its load step and, unless another copy is running,
// shows it and runs the event loop; a CSV file given is then offered for
// printing as the 「CSV から印刷…」 button does. Returns the exit code.
int runProgram(const QString &csvFile = {});
