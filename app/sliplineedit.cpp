#include "sliplineedit.h"

#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QValidator>

#include <algorithm>

namespace {

qsizetype characterCount(QStringView text)
{
    return text.toUcs4().size();
}

// The first `count` characters of a text; a character outside the basic
// plane is kept whole or not at all.
QString firstCharacters(QStringView text, qsizetype count)
{
    const QList<uint> characters = text.toUcs4();
    count = std::clamp<qsizetype>(count, 0, characters.size());
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(characters.constData()), count);
}

} // namespace

// Keeps the operator's edits within the field's typing limit. QLineEdit runs
// its validator on every change. The program's own setText resets the
// field's modified flag before that, while every edit of the operator
// (keys, input method, paste from keys or menu, drop) sets it, so the flag
// tells the two apart. An edit may make the text longer only up to the
// limit; a text that was already longer (set by the program) may still be
// shortened.
class TypingLimitValidator : public QValidator {
public:
    explicit TypingLimitValidator(SlipLineEdit *edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString &input, int &pos) const override
    {
        if (m_edit->m_typingLimit <= 0 || !m_edit->isModified())
            return Acceptable;
        const QString &before = m_edit->m_acceptedText;
        const qsizetype allowed = std::max<qsizetype>(m_edit->m_typingLimit, characterCount(before));
        const qsizetype length = characterCount(input);
        if (length <= allowed)
            return Acceptable;
        if (m_edit->m_overLimitRewrite) {
            if (const QString rewritten = m_edit->m_overLimitRewrite(input);
                !rewritten.isEmpty() && characterCount(rewritten) <= allowed) {
                input = rewritten;
                pos = int(input.size());
                return Acceptable;
            }
        }

        // An insertion ends at the caret: the text after it is the old end,
        // and what the old and new text share at the start stays too. Only
        // the inserted part is cut, from its end, so the characters around
        // it keep their order.
        // (A box the operator never changed holds a null text, which no
        // non-null text ends, not even an empty one: an empty tail always fits.)
        if (pos < 0 || pos > input.size())
            return Invalid;
        const QStringView tail = QStringView(input).mid(pos);
        if (!tail.isEmpty() && !before.endsWith(tail))
            return Invalid; // not an insertion; Qt undoes the edit
        qsizetype start = 0;
        const qsizetype headEnd = std::min<qsizetype>(pos, before.size() - tail.size());
        while (start < headEnd && input[start] == before[start])
            ++start;
        if (start > 0 && input[start - 1].isHighSurrogate())
            --start;
        const QStringView inserted = QStringView(input).mid(start, pos - start);
        const QString kept = firstCharacters(inserted, allowed - (length - characterCount(inserted)));
        input = input.left(start) + kept + tail.toString();
        pos = int(start + kept.size());
        return Acceptable;
    }

private:
    SlipLineEdit *m_edit;
};

SlipLineEdit::SlipLineEdit(QWidget *parent) : QLineEdit(parent)
{
    setValidator(new TypingLimitValidator(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) { m_acceptedText = text; });
}

void SlipLineEdit::setImeDisabled(bool disabled)
{
    m_imeDisabled = disabled;
    setAttribute(Qt::WA_InputMethodEnabled, !disabled);
}

void SlipLineEdit::setTypingLimit(int limit)
{
    m_typingLimit = limit;
}

QVariant SlipLineEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (m_imeDisabled && query == Qt::ImEnabled)
        return false;
    return QLineEdit::inputMethodQuery(query);
}

void SlipLineEdit::inputMethodEvent(QInputMethodEvent *event)
{
    // An input method that ignores ImEnabled must still not write here.
    if (m_imeDisabled) {
        event->ignore();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void SlipLineEdit::dropEvent(QDropEvent *event)
{
    const qsizetype before = text().size();
    const qsizetype dropped = event->mimeData()->text().size();
    QLineEdit::dropEvent(event);
    // When the limit kept part of the dropped text out, the drop counts as a
    // copy: a move would delete all of it where it came from.
    if (event->dropAction() == Qt::MoveAction && event->source() != this && text().size() - before < dropped)
        event->setDropAction(Qt::CopyAction);
}
