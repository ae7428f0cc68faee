#pragma once

#include "spoolerwait.h"

#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

// The window's way of waiting for the print system: the window keeps
// drawing itself, and after a second a small dialog says what it waits for
// and offers 中止. Input to the window waits until then, so nothing is
// pressed twice meanwhile.
class SpoolerProgress final : public nerufa::Waiting {
public:
    SpoolerProgress(QWidget *window, QString what);
    ~SpoolerProgress() override;

    bool keepWaiting(int waitedMs) override;
    void finished() override;

private:
    QWidget *m_window;
    QString m_what;
    std::unique_ptr<QProgressDialog> m_dialog;
};
