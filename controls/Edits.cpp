#include "controls/Edits.h"

#include "controls/Dialogs.h"
#include "data/Errors.h"
#include "data/SolarDate.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

using namespace Qt::StringLiterals;

bool translateDigitKey(QKeyEvent* event, QWidget* receiver)
{
    const QString text = event->text();
    if (text.size() != 1) return false;
    const QString ascii = agency::asciiDigits(text);
    if (ascii == text) return false;
    QKeyEvent translated(event->type(), Qt::Key_0 + (ascii[0].unicode() - u'0'), event->modifiers(), ascii,
                         event->isAutoRepeat(), ushort(event->count()));
    QApplication::sendEvent(receiver, &translated);
    event->setAccepted(translated.isAccepted());
    return true;
}

QLabel* MakeBoldLabel(const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

TLabeledEdit::TLabeledEdit(const QString& caption, QWidget* parent) : QLineEdit(parent)
{
    EditLabel = MakeBoldLabel(caption, parent);
    EditLabel->setBuddy(this);
    // Digits and Latin text stay at the right edge, where Persian text starts.
    setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
}

TLabeledEdit::TLabeledEdit(const QString& caption, const QString& name, QWidget* parent) : TLabeledEdit(caption, parent)
{
    setObjectName(name);
}

void TLabeledEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // A mouse click places the caret itself; every other way in selects the whole text.
    if (event->reason() != Qt::MouseFocusReason) selectAll();
}

void TLabeledEdit::keyPressEvent(QKeyEvent* event)
{
    if (m_asciiDigits && translateDigitKey(event, this)) return;
    QLineEdit::keyPressEvent(event);
}

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent), InvalidMessage(u"تاريخ درست نيست"_s)
{
    // Qt's mask: 0 is a digit that may stay blank, 9 a digit that is required.
    setInputMask(u"0000/00/99;_"_s);
    setLayoutDirection(Qt::LeftToRight);
    setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
}

QString TMaskEdit::Text() const
{
    QString t = displayText();
    t.replace(u'_', u' ');
    const QString whole = agency::SolarDate::completeDate(t);
    return whole.isEmpty() ? t : whole;
}

void TMaskEdit::SetText(const QString& text)
{
    setText(text);
    if (hasFocus()) selectAll();
}

bool TMaskEdit::IsComplete() const
{
    return agency::SolarDate::isStrictDate(Text());
}

bool TMaskEdit::Validate()
{
    if (IsComplete()) {
        if (displayText() != Text()) setText(Text());
        return true;
    }
    if (!RefuseWhenNotWhole) return true;
    // The field keeps the focus first, so that it has it again when the message is closed; the
    // control that was to get it is not entered and runs no leave handler.
    if (!hasFocus()) setFocus(Qt::ActiveWindowFocusReason);
    selectAll();
    dialogs().ShowMessage(InvalidMessage);
    return false;
}

void TMaskEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (event->reason() != Qt::MouseFocusReason) selectAll();
}

void TMaskEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Another window, a menu or a closing window take the focus without leaving the field.
    const Qt::FocusReason reason = event->reason();
    if (m_refusing || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || !window()->isVisible())
        return;
    m_refusing = true;
    Validate();
    m_refusing = false;
}

bool TMaskEdit::focusNextPrevChild(bool next)
{
    if (!Validate()) return true;
    return QLineEdit::focusNextPrevChild(next);
}

void TMaskEdit::keyPressEvent(QKeyEvent* event)
{
    if (translateDigitKey(event, this)) return;
    QLineEdit::keyPressEvent(event);
}

void MakeDateField(QWidget* parent, QLabel*& label, TMaskEdit*& edit, const QString& caption, const QString& name)
{
    label = MakeBoldLabel(caption, parent);
    edit = new TMaskEdit(parent);
    edit->setObjectName(name);
    label->setBuddy(edit);
}

void MakeDateRange(QWidget* parent, QLabel*& Label5, TMaskEdit*& MaskEdit1, QLabel*& Label6, TMaskEdit*& MaskEdit2)
{
    MakeDateField(parent, Label5, MaskEdit1, u"تاريخ"_s, u"MaskEdit1"_s);
    MakeDateField(parent, Label6, MaskEdit2, u"تا تاريخ"_s, u"MaskEdit2"_s);
    // A filter runs on Enter: nothing that is not a whole date may reach it.
    MaskEdit1->RefuseWhenNotWhole = MaskEdit2->RefuseWhenNotWhole = true;
}

TBitBtn::TBitBtn(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    setAutoDefault(false);
    setDefault(false);
}

void TBitBtn::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}
