#pragma once

class QApplication;

// Application-wide settings of the window program: what every start does
// (setUpApplication), then the window's style and default font. Called
// once, right after the QApplication is made.
void setupWindowApplication(QApplication &app);

// Makes the window, runs its load step and, unless another copy is running,
// shows it and runs the event loop. Returns the program's exit code.
int runProgram();
