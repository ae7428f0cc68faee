#include "formfields.h"

#include "slipcombobox.h"
#include "sliplineedit.h"

#include <QAbstractButton>

using nerufa::slip::Field;
using nerufa::slip::FieldKind;

namespace formfields {

namespace {

QWidget *named(const QWidget *form, const QString &name)
{
    return form->findChild<QWidget *>(name);
}

// The box a field's text is typed into: the line edit, or a combo box's edit.
SlipLineEdit *editOf(QWidget *control)
{
    if (auto *combo = qobject_cast<SlipComboBox *>(control))
        return qobject_cast<SlipLineEdit *>(combo->lineEdit());
    return qobject_cast<SlipLineEdit *>(control);
}

} // namespace

QWidget *controlOf(const QWidget *form, const Field &field)
{
    if (field.kind == FieldKind::Choice)
        return named(form, nerufa::slip::optionNames(field).value(0));
    return named(form, QString::fromLatin1(field.name));
}

QString textOf(const QWidget *control)
{
    if (const auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->currentText();
    if (const auto *edit = qobject_cast<const QLineEdit *>(control))
        return edit->text();
    return {};
}

void setTextOf(QWidget *control, const QString &text)
{
    if (auto *combo = qobject_cast<QComboBox *>(control))
        combo->setEditText(text);
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->setText(text);
}

void applyTable(QWidget *form)
{
    for (const Field &field : nerufa::slip::fields()) {
        QWidget *control = controlOf(form, field);
        if (!control || field.kind == FieldKind::Choice)
            continue;
        const bool imeOff = field.input == nerufa::slip::InputMode::Off;
        if (SlipLineEdit *edit = editOf(control)) {
            edit->setTypingLimit(field.typingLimit);
            edit->setImeDisabled(imeOff);
        }
        if (auto *combo = qobject_cast<SlipComboBox *>(control)) {
            combo->setImeDisabled(imeOff);
            combo->addItems(nerufa::slip::itemTexts(field));
        }
        setTextOf(control, QString::fromUtf8(field.initialText));
    }
}

nerufa::SlipSnapshot readSlip(const QWidget *form)
{
    nerufa::SlipSnapshot slip;
    for (const Field &field : nerufa::slip::fields()) {
        if (field.kind == FieldKind::Choice) {
            const QStringList options = nerufa::slip::optionNames(field);
            for (int i = 0; i < options.size(); ++i)
                if (auto *option = form->findChild<QAbstractButton *>(options[i]); option && option->isChecked())
                    slip.*field.choice = i + 1;
            continue;
        }
        const QWidget *control = controlOf(form, field);
        slip.*field.text = textOf(control);
        switch (field.shown) {
        case nerufa::slip::Shown::Always:
            break;
        case nerufa::slip::Shown::WhileVisible:
            slip.*field.shownFlag = control && !control->isHidden();
            break;
        case nerufa::slip::Shown::WhileToggleDown:
            if (auto *toggle = form->findChild<QAbstractButton *>(QString::fromLatin1(field.switchName)))
                slip.*field.shownFlag = toggle->isChecked();
            break;
        }
    }
    return slip;
}

void setAddress(QWidget *form, nerufa::slip::Block block, const QStringList &texts)
{
    qsizetype i = 0;
    for (const Field &field : nerufa::slip::fields()) {
        if (field.block != block)
            continue;
        const QString text = texts.value(i++);
        setTextOf(controlOf(form, field), text);
        if (field.switchName)
            if (auto *toggle = form->findChild<QAbstractButton *>(QString::fromLatin1(field.switchName)))
                toggle->setChecked(!text.isEmpty());
    }
}

void writeSlip(QWidget *form, const nerufa::SlipSnapshot &slip)
{
    for (const Field &field : nerufa::slip::fields()) {
        if (field.block == nerufa::slip::Block::Offsets)
            continue;
        if (field.kind == FieldKind::Choice) {
            if (auto *option = form->findChild<QAbstractButton *>(nerufa::slip::optionNames(field).value(slip.*field.choice - 1)))
                option->setChecked(true);
            continue;
        }
        const bool shown = !field.shownFlag || slip.*field.shownFlag;
        if (shown || field.block != nerufa::slip::Block::Date)
            setTextOf(controlOf(form, field), slip.*field.text);
        if (field.switchName)
            if (auto *toggle = form->findChild<QAbstractButton *>(QString::fromLatin1(field.switchName)))
                toggle->setChecked(shown);
    }
}

} // namespace formfields
