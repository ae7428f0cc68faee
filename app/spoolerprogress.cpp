#include "spoolerprogress.h"

#include "apptitle.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

// How long a wait goes unseen before the dialog appears.
constexpr int kQuietMs = 1000;

} // namespace

SpoolerProgress::SpoolerProgress(QWidget *window, QString what) : m_window(window), m_what(std::move(what)) {}

SpoolerProgress::~SpoolerProgress() = default;

bool SpoolerProgress::keepWaiting(int waitedMs)
{
    if (waitedMs < kQuietMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    }
    if (!m_dialog) {
        m_dialog = std::make_unique<QProgressDialog>(m_what, QStringLiteral("中止"), 0, 0, m_window);
        m_dialog->setObjectName(QStringLiteral("SpoolerWait"));
        m_dialog->setWindowTitle(applicationTitle());
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->show();
    }
    // The dialog is modal: the window's own controls take no input while it
    // shows, only 中止 does.
    QCoreApplication::processEvents();
    if (m_dialog->wasCanceled())
        m_dialog->setLabelText(QStringLiteral("中止しています…"));
    return !m_dialog->wasCanceled();
}

void SpoolerProgress::finished()
{
    m_dialog.reset();
}
