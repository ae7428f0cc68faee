#pragma once

#include <QString>
#include <stdexcept>

namespace nerufa::history {

// Why the history could not be opened, read or written, in one Japanese
// message that names the database and the reason. The print it belongs to
// has already happened: whoever catches it tells the operator and goes on.
class HistoryError : public std::runtime_error {
public:
    // refused: the history is one this program must not use (a newer
    // program's), so trying again is of no use.
    explicit HistoryError(const QString &message, bool refused = false)
        : std::runtime_error(message.toStdString()), m_message(message), m_refused(refused)
    {
    }
    const QString &message() const { return m_message; }
    bool refused() const { return m_refused; }

private:
    QString m_message;
    bool m_refused;
};

} // namespace nerufa::history
