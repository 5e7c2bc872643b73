#pragma once
// What the drivers and subscribers registers share: the next code, deleting through the
// confirmation dialog, and the new-entry window's save.

#include "controls/Edits.h"
#include "controls/Form.h"

#include <QVector>

class KeyChain;
namespace agency {
class TADOQuery;
class TADOTable;
class TDataset;
}  // namespace agency

// The highest code of the whole table, walking it from its first row to its end; 0 for none.
qint64 HighestCode(agency::TDataset* table, const QString& field);
// The highest code plus one by the table's max query (1 for an empty table).
qint64 NextCode(agency::TADOQuery* maxQuery);
// Asks "are you sure?" and deletes the table's current row on yes.
void ConfirmDelete(agency::TDataset* table);

// A window that adds rows to one table: the code field first, then the texts.
class TFormNewEntry : public TForm {
    Q_OBJECT

public:
    TBitBtn* BitBtn1;

    // The code into the code field, every other field cleared, the window shown or brought forward.
    void Prepare(qint64 code);
    void BitBtn1Click();

protected:
    struct Entry {
        TLabeledEdit* edit;
        QString column;
    };
    TFormNewEntry(agency::TADOTable* table, agency::TADOQuery* list, QWidget* parent);
    // Rows of one or two fields, right to left; a lone field spans the row, but in the last row
    // it leaves the left end to the button.
    void LayOut(const QVector<QVector<TLabeledEdit*>>& rows);
    // The fields in tab order, the code first; `required` in the order they are checked.
    void SetEntries(const QVector<Entry>& entries, const QVector<TLabeledEdit*>& required);
    void FormShow() override;

private:
    agency::TADOTable* m_table;
    agency::TADOQuery* m_list;
    QVector<Entry> m_entries;
    QVector<TLabeledEdit*> m_required;
    KeyChain* m_keys;
};
