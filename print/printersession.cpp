#include "printersession.h"

#include "cupsqueues.h"

namespace nerufa {

const PrinterChoice &PrinterSession::current()
{
    if (!m_choice || m_choice->kind == PrinterChoice::Kind::None) {
        const cupsqueues::DefaultQueue found = cupsqueues::userDefault();
        m_choice = found.choice;
        m_defaultGone = found.namedDefaultGone;
    }
    return *m_choice;
}

std::optional<QString> PrinterSession::takeDefaultGoneNotice()
{
    const PrinterChoice &choice = current();
    if (!m_defaultGone || choice.kind != PrinterChoice::Kind::Queue)
        return std::nullopt;
    m_defaultGone = false;
    return QStringLiteral("前に選ばれていたプリンタが見つからないため、既定のプリンタ「%1」で印刷します。")
        .arg(choice.target);
}

void PrinterSession::use(const PrinterChoice &choice)
{
    m_choice = choice;
    m_defaultGone = false;
}

std::optional<QString> PrinterSession::choose(const PrinterChoice &choice)
{
    use(choice);
    QString reason;
    if (choice.kind == PrinterChoice::Kind::Queue && !cupsqueues::setUserDefault(choice, &reason))
        return reason;
    return std::nullopt;
}

} // namespace nerufa
