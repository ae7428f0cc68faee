#pragma once

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QString>
#include <functional>
#include <memory>

namespace nerufa {

// One PDF file of many pages, made a page at a time. Pages go straight
// into a file written beside the target, so memory does not grow with the
// page count; the target is replaced only by finish(), once every page is
// on the disk. A book dropped unfinished leaves an earlier file of that
// name as it was and no partial file behind.
class PdfBook {
public:
    explicit PdfBook(const QString &path);
    ~PdfBook();

    PdfBook(const PdfBook &) = delete;
    PdfBook &operator=(const PdfBook &) = delete;

    // Adds one page with this layout and resolution; `paint` draws it
    // whole. Raises PrinterError naming the file when it cannot be written.
    void addPage(const QPageLayout &layout, int resolution, const std::function<void(QPainter &)> &paint);
    // Ends the document and puts it in place. Raises PrinterError naming
    // the file; then nothing of the book is left. A book with no pages
    // writes nothing.
    void finish();

    int pages() const { return m_pages; }
    QString path() const { return m_file.fileName(); }

private:
    [[noreturn]] void fail(const QString &reason);

    QSaveFile m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    QPainter m_painter;
    int m_pages = 0;
};

} // namespace nerufa
