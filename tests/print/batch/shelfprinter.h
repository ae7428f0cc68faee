#pragma once

#include "runtimeerror.h"
#include "slipbatch.h"

#include <QStringList>

// A test printer that keeps each finished page as its list of texts and
// can fail, as a printer that jams or goes offline, in the middle of a
// chosen page or when that page is ended.
class ShelfPrinter final : public nerufa::Printer, public nerufa::batch::SlipOutput {
public:
    enum class FailAt { Nowhere, MiddleOfPage, EndOfPage };
    int failPage = 0;
    FailAt failAt = FailAt::Nowhere;

    QList<QStringList> pages; // finished pages
    QStringList open;         // texts of the page begun
    int aborted = 0;

    void setFontName(const QString &) override {}
    void setFontSize(float) override {}
    float fontSize() const override { return 9; }
    void setFontBold(bool) override {}
    void setCurrentX(float) override {}
    void setCurrentY(float) override {}
    float currentX() const override { return 0; }
    float currentY() const override { return 0; }
    void setLineWidth(int) override {}
    void circle(float, float, float) override {}
    void printText(const QString &text) override
    {
        failHere(open.size() == 3 && failAt == FailAt::MiddleOfPage);
        open << text;
    }
    void endDoc() override
    {
        failHere(failAt == FailAt::EndOfPage);
        pages << open;
        open.clear();
    }
    void abortDoc() noexcept override
    {
        aborted += open.isEmpty() ? 0 : 1;
        open.clear();
    }

    Printer &printerForNextSlip() override { return *this; }
    void finish() override {}
    int delivered(int ended) const override { return ended; }

private:
    void failHere(bool now)
    {
        if (now && pages.size() + 1 == failPage)
            throw nerufa::RuntimeError(nerufa::RuntimeError::Kind::PrinterError, QStringLiteral("紙づまり"));
    }
};
