#include "pdfbook.h"

#include "runtimeerror.h"

#include <unistd.h>

namespace nerufa {

PdfBook::PdfBook(const QString &path) : m_file(path) {}

PdfBook::~PdfBook()
{
    if (m_painter.isActive())
        m_painter.end();
    m_file.cancelWriting();
}

void PdfBook::fail(const QString &reason)
{
    if (m_painter.isActive())
        m_painter.end();
    m_file.cancelWriting();
    throw RuntimeError(RuntimeError::Kind::PrinterError,
                       QStringLiteral("PDFファイル「%1」を書き込めませんでした（%2：%3）。"
                                      "同じ名前の前のファイルはそのまま残っています。")
                           .arg(m_file.fileName(), reason, m_file.errorString()));
}

void PdfBook::addPage(const QPageLayout &layout, int resolution, const std::function<void(QPainter &)> &paint)
{
    if (m_pages == 0) {
        if (!m_file.open(QIODevice::WriteOnly))
            fail(QStringLiteral("フォルダがないか、書き込みが許されていません"));
        m_writer = std::make_unique<QPdfWriter>(&m_file);
        m_writer->setResolution(resolution);
        m_writer->setPageLayout(layout);
        if (!m_painter.begin(m_writer.get()))
            fail(QStringLiteral("ページを作れませんでした"));
    } else {
        m_writer->setPageLayout(layout);
        if (!m_writer->newPage())
            fail(QStringLiteral("ページを作れませんでした"));
    }
    paint(m_painter);
    ++m_pages;
    if (m_file.error() != QFileDevice::NoError)
        fail(QStringLiteral("ディスクがいっぱいか、書き込みに失敗しました"));
}

void PdfBook::finish()
{
    if (m_pages == 0)
        return;
    const bool ended = m_painter.end();
    if (!ended || !m_file.flush() || ::fsync(m_file.handle()) != 0 || !m_file.commit())
        fail(QStringLiteral("ディスクがいっぱいか、書き込みに失敗しました"));
}

} // namespace nerufa
