#pragma once

#include "printer.h"
#include "runtimeerror.h"
#include "slipbatch.h"

#include <QList>
#include <QStringList>

// A test printer that keeps each finished page as its list of texts and
// can fail, as a printer that jams or goes offline, in the middle of a
// chosen page or when that page is ended.
class ShelfPrinter final : public nerufa::Printer, public nerufa::batch::SlipOutput {
public:
    enum class FailAt { Nowhere, MiddleOfPage, EndOfPage };

    void failOnPage(int page, FailAt where) { m_failPage = page; m_failAt = where; }

    QList<QStringList> pages;   // finished pages
    QStringList open;           // texts of the page begun
    int aborted = 0;

    void setFontName(const QString &) override {}
    void setFontSize(float points) override { m_size = points; }
    float fontSize() const override { return m_size; }
    void setFontBold(bool) override {}
    void setCurrentX(float) override {}
    void setCurrentY(float) override {}
    float currentX() const override { return 0; }
    float currentY() const override { return 0; }
    void printText(const QString &text) override
    {
        if (open.size() == 3 && m_failAt == FailAt::MiddleOfPage)
            failHere();
        open << text;
    }
    void setLineWidth(int) override {}
    void circle(float, float, float) override {}
    void endDoc() override
    {
        if (m_failAt == FailAt::EndOfPage)
            failHere();
        pages << open;
        open.clear();
    }
    void abortDoc() noexcept override
    {
        if (!open.isEmpty())
            ++aborted;
        open.clear();
    }

    Printer &printerForNextSlip() override { return *this; }
    void finish() override {}
    int delivered(int ended) const override { return ended; }

private:
    void failHere()
    {
        if (pages.size() + 1 == m_failPage)
            throw nerufa::RuntimeError(nerufa::RuntimeError::Kind::PrinterError, QStringLiteral("紙づまり"));
    }

    int m_failPage = 0;
    FailAt m_failAt = FailAt::Nowhere;
    float m_size = 0;
};
