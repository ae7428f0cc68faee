#pragma once

#include "printer.h"

#include <QList>
#include <QString>
#include <optional>

namespace nerufa {

// A printer that keeps every call with its exact arguments, for tests and
// benchmarks. It can pass each call on to another printer (to watch a real
// one), report a font size of its choosing, and fail at a chosen call.
class RecordingPrinter final : public Printer {
public:
    struct Call {
        enum class Op {
            SetFontName,
            SetFontSize,
            ReadFontSize, // fontSize() was asked; value = what it returned
            SetFontBold,
            SetCurrentX,
            SetCurrentY,
            PrintText,
            SetLineWidth,
            Circle,
            EndDoc,
            AbortDoc,
        };

        Op op = Op::EndDoc;
        QString text;   // face name or printed text
        float x = 0.0f; // size, position or circle centre X
        float y = 0.0f; // circle centre Y
        float r = 0.0f; // circle radius
        int n = 0;      // bold flag or line width

        // Exact comparison: positions are compared bit for bit, not within
        // a tolerance.
        bool operator==(const Call &) const = default;
        // One line for messages, floats with all the digits that identify them.
        QString toString() const;

        static Call fontName(const QString &face) { return {Op::SetFontName, face, 0, 0, 0, 0}; }
        static Call fontSize(float points) { return {Op::SetFontSize, {}, points, 0, 0, 0}; }
        static Call readFontSize(float points) { return {Op::ReadFontSize, {}, points, 0, 0, 0}; }
        static Call fontBold(bool bold) { return {Op::SetFontBold, {}, 0, 0, 0, bold ? 1 : 0}; }
        static Call currentX(float twips) { return {Op::SetCurrentX, {}, twips, 0, 0, 0}; }
        static Call currentY(float twips) { return {Op::SetCurrentY, {}, twips, 0, 0, 0}; }
        static Call printText(const QString &text) { return {Op::PrintText, text, 0, 0, 0, 0}; }
        static Call lineWidth(int width) { return {Op::SetLineWidth, {}, 0, 0, 0, width}; }
        static Call circle(float x, float y, float r) { return {Op::Circle, {}, x, y, r, 0}; }
        static Call endDoc() { return {Op::EndDoc, {}, 0, 0, 0, 0}; }
        static Call abortDoc() { return {Op::AbortDoc, {}, 0, 0, 0, 0}; }
    };

    // With forwardTo, every call is also made on that printer (after it
    // is recorded), and fontSize() returns what that printer reports.
    explicit RecordingPrinter(Printer *forwardTo = nullptr);

    // The n-th call (1-based, abortDoc not counted) raises PrinterError
    // instead of acting. It is still recorded. 0 switches this off.
    void failAtCall(int n) { m_failAt = n; }
    // fontSize() returns this value instead of the size last set.
    void reportFontSize(float points) { m_reportedSize = points; }

    const QList<Call> &calls() const { return m_calls; }
    void clear();

    void setFontName(const QString &face) override;
    void setFontSize(float points) override;
    float fontSize() const override;
    void setFontBold(bool bold) override;
    void setCurrentX(float twips) override;
    void setCurrentY(float twips) override;
    float currentX() const override { return m_x; }
    float currentY() const override { return m_y; }
    // Moves to the next line: X to 0, Y down by the size in twips
    // (20 per point), a nominal line.
    void printText(const QString &text) override;
    void setLineWidth(int width) override;
    void circle(float centreX, float centreY, float radius) override;
    void endDoc() override;
    void abortDoc() noexcept override;

private:
    // Records the call and raises when it is the one told to fail.
    void record(const Call &call) const;

    Printer *m_forward;
    mutable QList<Call> m_calls;
    mutable int m_count = 0;
    int m_failAt = 0;
    std::optional<float> m_reportedSize;
    float m_size = 0.0f;
    float m_x = 0.0f;
    float m_y = 0.0f;
};

} // namespace nerufa
