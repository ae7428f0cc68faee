#pragma once

#include <QString>
#include <stdexcept>

namespace nerufa {

// The one error type that conversions, file code and printer code raise.
// A handler that gets one stops where it is; the window's error guard shows
// the message and leaves every field as it was.
class RuntimeError : public std::runtime_error {
public:
    enum class Kind { TypeMismatch, Overflow, FileError, PrinterError };

    RuntimeError(Kind kind, const QString &detail);

    Kind kind() const { return m_kind; }
    // What went wrong, in Japanese, for the operator.
    const QString &detail() const { return m_detail; }
    // A short Japanese name of the kind ("型が一致しません" and so on).
    static QString kindName(Kind kind);
    // Kind name and detail together, ready for a message box.
    QString message() const;

private:
    Kind m_kind;
    QString m_detail;
};

} // namespace nerufa
