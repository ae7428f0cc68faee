#pragma once

#include "printer.h"

#include <QStringList>
#include <optional>

namespace nerufa {

// A test double for the tests and the benchmarks: a printer that records
// every call with its exact arguments. It can pass each call on to another
// printer (to watch a real one), report a font size of its choosing, and
// fail at a chosen call.
class RecordingPrinter final : public Printer {
public:
    // With forwardTo, every call is also made on that printer (after it is
    // recorded), and fontSize() returns what that printer reports.
    explicit RecordingPrinter(Printer *forwardTo = nullptr) : m_forward(forwardTo) {}

    // The n-th call (1-based, abortDoc not counted) raises PrinterError
    // instead of acting. It is still recorded. 0 switches this off.
    void failAtCall(int n) { m_failAt = n; }
    // fontSize() returns this value instead of the size last set.
    void reportFontSize(float points) { m_reportedSize = points; }

    // Every call as one line: "currentX 4762.8003", "printText 山田",
    // "circle 3470.04 2528.82 113.4". A float is written in the shortest
    // form that reads back as the same float, so equal lines mean equal
    // bits and the lines can be compared with the positions as written.
    const QStringList &calls() const { return m_calls; }
    // The calls with every text placement - font size, current X, current
    // Y and the text, in that order - folded into one line:
    // "12 4762.8003 884.52 山田". (No test text holds a line break.)
    QStringList placements() const;

    // Each call is recorded, then passed on. Reading the font size is not
    // a call: what is read back shows in the positions that use it.
    void setFontName(const QString &face) override { record("fontName ", face); pass(&Printer::setFontName, face); }
    void setFontSize(float points) override { record("fontSize", {}, {m_size = points}); pass(&Printer::setFontSize, points); }
    float fontSize() const override { return m_reportedSize ? *m_reportedSize : m_forward ? m_forward->fontSize() : m_size; }
    void setFontBold(bool bold) override { record("fontBold", {}, {float(bold)}); pass(&Printer::setFontBold, bold); }
    void setCurrentX(float twips) override { record("currentX", {}, {twips}); pass(&Printer::setCurrentX, twips); }
    void setCurrentY(float twips) override { record("currentY", {}, {twips}); pass(&Printer::setCurrentY, twips); }
    void printText(const QString &text) override { record("printText ", text); pass(&Printer::printText, text); }
    void setLineWidth(int width) override { record("lineWidth", {}, {float(width)}); pass(&Printer::setLineWidth, width); }
    void circle(float x, float y, float radius) override { record("circle", {}, {x, y, radius}); pass(&Printer::circle, x, y, radius); }
    void endDoc() override { record("endDoc", {}); pass(&Printer::endDoc); }
    // Recorded but not counted, and never made to fail: aborting must work
    // whatever went wrong before.
    void abortDoc() noexcept override
    {
        m_calls << QStringLiteral("abortDoc");
        if (m_forward)
            m_forward->abortDoc();
    }

private:
    // Records one call, its numbers written as above, and raises when it is
    // the call told to fail.
    void record(const char *op, const QString &text, std::initializer_list<float> numbers = {});
    template <typename... Args>
    void pass(void (Printer::*operation)(Args...), const auto &...arguments)
    {
        if (m_forward)
            (m_forward->*operation)(arguments...);
    }

    Printer *m_forward;
    QStringList m_calls;
    int m_count = 0;
    int m_failAt = 0;
    std::optional<float> m_reportedSize;
    float m_size = 0.0f;
};

} // namespace nerufa
