#pragma once

// Helpers shared by the window tests.

#include "mainwindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <stdexcept>

namespace apptest {

// A window that has run its load step in a folder of its own, with a lock
// file of its own, so tests never meet each other or a running program.
// Offset files given as bytes (not null) are written before it loads.
struct LoadedWindow {
    QTemporaryDir dir;
    nerufa::history::Location history; // off unless given
    std::unique_ptr<MainWindow> window;

    explicit LoadedWindow(const QByteArray &xFile = {}, const QByteArray &yFile = {}, const QDate &today = QDate(2004, 5, 21),
                          const nerufa::history::Location &history = {});
    StartupEnvironment environment(const QDate &today = QDate(2004, 5, 21)) const { return {dir.path(), today, dir.filePath("test.lock"), dir.filePath("config"), history}; }

    // The control of that name. A missing one throws (caught as the failure
    // of the current row) rather than ending the whole run.
    template <typename T = QWidget>
    T *get(const QString &name) const
    {
        if (T *w = window->findChild<T *>(name))
            return w;
        throw std::runtime_error("no control " + name.toStdString());
    }
    QLineEdit *edit(const QString &name) const { return get<QLineEdit>(name); }
    QComboBox *combo(const QString &name) const { return get<QComboBox>(name); }
    void click(const QString &name) const { get<QAbstractButton>(name)->click(); }
};

// What a modal message box said before the test answered it.
struct SeenMessage {
    bool seen = false;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Waits (from inside the event loop a modal dialog runs) for the next
// message box, records it and presses `answer` (or Enter when NoButton).
// Any other modal dialog meanwhile is left alone.
std::shared_ptr<SeenMessage> answerNextMessageBox(QMessageBox::StandardButton answer = QMessageBox::Ok);

// Runs `act` on the next modal dialog of any kind; `act` closes it.
void onNextModalDialog(std::function<void(QWidget *)> act);

// Sets up the application as the program does (fonts, translations) and
// a Japanese locale for number conversions.
void setupTestApplication();

} // namespace apptest
