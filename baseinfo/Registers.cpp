#include "baseinfo/Registers.h"

#include "baseinfo/UnitConfirm.h"
#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/UnitDM.h"

#include <QGridLayout>

using namespace Qt::StringLiterals;

qint64 HighestCode(agency::TDataset* table, const QString& field)
{
    qint64 highest = 0;
    for (table->First(); !table->Eof(); table->Next())
        highest = std::max<qint64>(highest, table->FieldByName(field).AsInteger());
    return highest;
}

qint64 NextCode(agency::TADOQuery* maxQuery)
{
    maxQuery->Close();
    maxQuery->Open();
    return qint64(maxQuery->FieldByName(u"Expr1000"_s).AsInteger()) + 1;
}

void ConfirmDelete(agency::TDataset* table)
{
    FormConfirm->ShowModal();
    if (FormConfirm->Confirmed) table->Delete();
}

TFormNewEntry::TFormNewEntry(agency::TADOTable* table, agency::TADOQuery* list, QWidget* parent)
    : TForm(parent), m_table(table), m_list(list), m_keys(new KeyChain(this))
{
    BitBtn1 = new TBitBtn(u"ثبت"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
}

void TFormNewEntry::LayOut(const QVector<QVector<TLabeledEdit*>>& rows)
{
    // Right to left: column 0 stands at the right, so each caption is right of its field.
    auto* grid = new QGridLayout(this);
    for (int row = 0; row < rows.size(); ++row) {
        const QVector<TLabeledEdit*>& fields = rows[row];
        const bool last = row + 1 == rows.size();
        grid->addWidget(fields[0]->EditLabel, row, 0);
        grid->addWidget(fields[0], row, 1, 1, fields.size() == 1 && !last ? 3 : 1);
        if (fields.size() > 1) {
            grid->addWidget(fields[1]->EditLabel, row, 2);
            grid->addWidget(fields[1], row, 3);
        } else if (last) {
            grid->addWidget(BitBtn1, row, 3, Qt::AlignLeft | Qt::AlignAbsolute);
        }
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);
}

void TFormNewEntry::SetEntries(const QVector<Entry>& entries, const QVector<TLabeledEdit*>& required)
{
    m_entries = entries;
    m_required = required;
    m_entries[0].edit->setDigitsOnlyAscii(true);
    for (int i = 0; i < m_entries.size(); ++i) {
        QWidget* next = i + 1 < m_entries.size() ? static_cast<QWidget*>(m_entries[i + 1].edit) : BitBtn1;
        setTabOrder(m_entries[i].edit, next);
        m_keys->enterTo(m_entries[i].edit, next);
    }
}

void TFormNewEntry::FormShow()
{
    // The code is already filled in: the desk starts with the name.
    SetFocus(m_entries[1].edit);
}

void TFormNewEntry::Prepare(qint64 code)
{
    m_entries[0].edit->setText(QString::number(code));
    for (const Entry& e : m_entries.mid(1)) e.edit->clear();
    Show();
}

void TFormNewEntry::BitBtn1Click()
{
    for (TLabeledEdit* e : std::as_const(m_required))
        if (e->text().isEmpty()) {
            dialogs().ShowMessage(u"اطلاعات كامل نيست"_s);
            return;
        }
    TLabeledEdit* codeEdit = m_entries[0].edit;
    const qint32 code = agency::StrToInt(codeEdit->text());
    // A text the column cannot hold is refused whole, before anything is begun: nothing is cut.
    const agency::TableDef* def = agency::findTable(m_table->TableName);
    for (const Entry& e : m_entries.mid(1)) {
        const int width = def->columns[def->columnIndex(e.column)].width;
        if (e.edit->text().size() > width) {
            dialogs().ShowMessage(u"«%1» بيش از %2 حرف است و ثبت نمي شود"_s.arg(e.edit->EditLabel->text()).arg(width));
            SetFocus(e.edit);
            return;
        }
    }

    // A list's refused row standing on the table refuses the append and keeps its typing.
    m_table->Append();
    m_table->WriteAndPost([&] {
        m_table->FieldByName(m_entries[0].column).SetAsInteger(code);
        for (const Entry& e : m_entries.mid(1)) m_table->FieldByName(e.column).SetAsString(e.edit->text());
    });

    codeEdit->setText(QString::number(qint64(code) + 1));
    SetFocus(m_entries[1].edit);
    for (const Entry& e : m_entries.mid(1)) e.edit->clear();
    // The picker's list, with whatever name filter it holds, shows the new row.
    m_list->Close();
    m_list->Open();
}
