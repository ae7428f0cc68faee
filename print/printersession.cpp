#include "printersession.h"

#include "runtimeerror.h"

namespace nerufa {

QString spoolerNotAnsweringMessage()
{
    return QStringLiteral("印刷システム（CUPS）が応答しません。送り状は印刷していません。"
                          "入力した内容はそのまま残っています。しばらく待ってから、もう一度印刷してください。");
}

void PrinterSession::take(const cupsqueues::DefaultQueue &found)
{
    m_choice = found.choice;
    m_defaultGone = found.namedDefaultGone;
}

void PrinterSession::startLookUp()
{
    if (m_lookUp || (m_choice && m_choice->kind != PrinterChoice::Kind::None))
        return;
    m_lookUp = spoolerwait::start<cupsqueues::DefaultQueue>(&cupsqueues::userDefault);
}

const PrinterChoice *PrinterSession::known()
{
    if (m_lookUp) {
        const std::lock_guard lock(m_lookUp->mutex);
        if (!m_lookUp->done)
            return nullptr;
        take(m_lookUp->result.value_or(cupsqueues::DefaultQueue{}));
    }
    m_lookUp.reset();
    return m_choice ? &*m_choice : nullptr;
}

const PrinterChoice &PrinterSession::current(Waiting &waiting)
{
    if (const PrinterChoice *choice = known(); choice && choice->kind != PrinterChoice::Kind::None)
        return *choice;
    startLookUp();
    const auto lookUp = m_lookUp;
    const bool done = spoolerwait::waitFor<cupsqueues::DefaultQueue>(
        *lookUp, waiting, [](int waited, bool keep) { return !keep || waited >= kLookUpLimitMs; });
    waiting.finished();
    if (!done) {
        // Left to end on its own; the next print looks again.
        m_lookUp.reset();
        throw RuntimeError(RuntimeError::Kind::PrinterError, spoolerNotAnsweringMessage());
    }
    return *known();
}

std::optional<QString> PrinterSession::takeDefaultGoneNotice()
{
    if (!m_defaultGone || !m_choice || m_choice->kind != PrinterChoice::Kind::Queue)
        return std::nullopt;
    m_defaultGone = false;
    return QStringLiteral("前に選ばれていたプリンタが見つからないため、既定のプリンタ「%1」で印刷します。")
        .arg(m_choice->target);
}

void PrinterSession::use(const PrinterChoice &choice)
{
    m_lookUp.reset();
    m_choice = choice;
    m_defaultGone = false;
}

std::optional<QString> PrinterSession::choose(const PrinterChoice &choice, Waiting &waiting)
{
    use(choice);
    if (choice.kind != PrinterChoice::Kind::Queue)
        return std::nullopt;
    const auto result = runToTheEnd<std::optional<QString>>(
        [choice](const std::atomic_bool &stop) -> std::optional<QString> {
            QString reason;
            if (cupsqueues::setUserDefault(choice, &reason, stop))
                return std::nullopt;
            return reason;
        },
        waiting);
    return result;
}

QList<cupsqueues::Queue> PrinterSession::queues(Waiting &waiting)
{
    const std::optional<QList<cupsqueues::Queue>> found = lookUp<QList<cupsqueues::Queue>>(&cupsqueues::queues, waiting);
    if (!found)
        throw RuntimeError(RuntimeError::Kind::PrinterError, QStringLiteral("印刷システム（CUPS）が応答しません。"
                                                                            "しばらく待ってから、もう一度開いてください。"));
    return *found;
}

} // namespace nerufa
