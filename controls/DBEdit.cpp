#include "controls/DBEdit.h"

#include "controls/Dialogs.h"
#include "controls/Edits.h"
#include "data/Dataset.h"
#include "data/Schema.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHideEvent>
#include <QKeyEvent>

using namespace Qt::StringLiterals;
using agency::TDataset;
using agency::TDataSetState;

namespace {

bool editing(const TDataset* ds)
{
    return ds->State() == TDataSetState::dsEdit || ds->State() == TDataSetState::dsInsert;
}

// A key that types text, as opposed to moving, deleting or a shortcut.
bool typesText(const QKeyEvent* event)
{
    const QString text = event->text();
    return !text.isEmpty() && text[0].category() != QChar::Other_Control &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

}  // namespace

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
    connect(this, &QLineEdit::textEdited, this, [this] { guarded([this] { Changed(); }); });
}

void TDBEdit::SetField(agency::TDataSource* source, const QString& field)
{
    if (m_ds) disconnect(m_ds, nullptr, this, nullptr);
    m_ds = source ? source->DataSet : nullptr;
    m_field = field;
    m_modified = false;
    if (m_ds) {
        // Another row, or the row stored or dropped: what was typed here is gone with it.
        auto reload = [this] {
            m_modified = false;
            Refresh();
        };
        connect(m_ds, &TDataset::reset, this, reload);
        connect(m_ds, &TDataset::currentChanged, this, reload);
        connect(m_ds, &TDataset::rowChanged, this, reload);
        connect(m_ds, &TDataset::stateChanged, this, &TDBEdit::Refresh);
        if (auto* table = qobject_cast<agency::TADOTable*>(m_ds)) {
            const agency::TableDef* def = agency::findTable(table->TableName);
            const int column = def ? def->columnIndex(field) : -1;
            if (column >= 0 && def->columns[column].type == agency::FieldType::Text)
                setMaxLength(def->columns[column].width);
        }
    }
    Refresh();
}

bool TDBEdit::IntegerField() const
{
    if (!m_ds) return false;
    const int i = m_ds->FieldIndex(m_field);
    if (i < 0) return false;
    const agency::FieldType t = m_ds->Columns()[i].type;
    return t == agency::FieldType::Integer || t == agency::FieldType::AutoInc;
}

void TDBEdit::Refresh()
{
    if (m_modified) return;
    QString text;
    if (m_ds && m_ds->Active() && m_ds->FieldIndex(m_field) >= 0 && (m_ds->RecNo() >= 0 || editing(m_ds)))
        guarded([&] { text = m_ds->FieldByName(m_field).AsString(); });
    setText(text);
    if (hasFocus()) selectAll();
}

void TDBEdit::Changed()
{
    if (!m_ds || m_modified) return;
    m_modified = true;
    if (editing(m_ds)) return;
    try {
        m_ds->Edit();  // an empty table begins its first row
    } catch (...) {
        Reset();
        throw;
    }
}

void TDBEdit::UpdateRecord()
{
    if (!m_ds || !m_modified) return;
    if (Check) Check(text());
    if (!editing(m_ds)) m_ds->Edit();
    m_ds->FieldByName(m_field).SetAsString(text());
    m_modified = false;
    Refresh();
}

void TDBEdit::Reset()
{
    m_modified = false;
    Refresh();
}

void TDBEdit::hideEvent(QHideEvent* event)
{
    // A window closed in the middle of typing keeps nothing half-typed for its next opening.
    if (!event->spontaneous()) Reset();
    QLineEdit::hideEvent(event);
}

void TDBEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Reset();
        event->ignore();  // the window closes on it
        return;
    }
    if (IntegerField()) {
        if (translateDigitKey(event, this)) return;
        // A whole number takes digits and signs only; anything else is refused with a beep.
        if (typesText(event))
            for (const QChar c : event->text())
                if ((c < u'0' || c > u'9') && c != u'+' && c != u'-') {
                    QApplication::beep();
                    event->accept();
                    return;
                }
    }
    QLineEdit::keyPressEvent(event);
}

void TDBEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (event->reason() != Qt::MouseFocusReason) selectAll();
}

void TDBEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Only a move to another control of the window writes: not another window or a menu taking over.
    const Qt::FocusReason reason = event->reason();
    if (!m_modified || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
        !window()->isVisible())
        return;
    bool written = false;
    guarded([&] {
        UpdateRecord();
        written = true;
    });
    // A refused text keeps the focus here, as the desk must correct it before going on.
    if (!written)
        QMetaObject::invokeMethod(
            this, [this] { setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
}
