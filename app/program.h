#pragma once

class QApplication;
struct StartupEnvironment;

// Application-wide settings: Japanese standard dialogs, the Japanese face
// substitutions, the window's default font. Called once, right after the
// QApplication is made.
void setupApplication(QApplication &app);

// Makes the window, runs its load step and, unless another copy is running,
// shows it and runs the event loop. Returns the program's exit code.
int runProgram(const StartupEnvironment &environment);
