#pragma once

// Helpers shared by the window tests.

#include "mainwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

namespace apptest {

// A window that has run its load step in a folder of its own, with a lock
// file of its own, so tests never meet each other or a running program.
struct LoadedWindow {
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;

    explicit LoadedWindow(const QDate &today = QDate(2004, 5, 21));
    StartupEnvironment environment(const QDate &today) const;

    template <typename T = QWidget>
    T *get(const char *name) const
    {
        T *w = window->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QLineEdit *edit(const char *name) const { return get<QLineEdit>(name); }
    QComboBox *combo(const char *name) const { return get<QComboBox>(name); }
};

// What a modal message box said before the test answered it.
struct SeenMessage {
    bool seen = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Waits (from inside the event loop a modal dialog runs) for the next
// message box, records it and presses `answer` (or Enter when NoButton).
std::shared_ptr<SeenMessage> answerNextMessageBox(QMessageBox::StandardButton answer);

// Runs `act` on the next modal dialog of any kind, then leaves it to `act`
// to close it.
void onNextModalDialog(std::function<void(QWidget *)> act);

// Types text as the operator would, key by key (Latin text only).
void type(QWidget *field, const QString &text);
// Commits text through the input method, as a Japanese input method does.
void commitThroughInputMethod(QWidget *field, const QString &text);

// Sets up the application as the program does (fonts, translations) and
// a Japanese locale for number conversions.
void setupTestApplication();

} // namespace apptest
