#pragma once
// A window that finds a row of one table by name: a search box searched again on every key
// released, the list below it, and "جديد". Choosing and the new entry are the window's own.

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

class TPicker : public TForm {
    Q_OBJECT

public:
    TDBGrid* DBGrid1;
    TBitBtn* BitBtn1;

    // Enter or a double-click in the list.
    virtual void DBGrid1KeyPress() = 0;
    // "جديد".
    virtual void BitBtn1Click() = 0;

protected:
    struct Search {
        QString caption;  // of the search box
        QString table;
        QString nameColumn;
        QString editName;  // the search box's object name
    };
    struct Window {
        QString name, title;
        QSize size;
    };
    TPicker(const Window& window, agency::TDataSource* source, const QVector<TColumn>& columns, const Search& search,
            QWidget* parent);
    // The list again: every row whose name holds the search text, taken literally.
    void Research();
    bool eventFilter(QObject* watched, QEvent* event) override;

    TLabeledEdit* m_search;

private:
    agency::TADOQuery* m_query;
    Search m_spec;
};

// Hands the focus back to the window that opened a picker, on next, once the choice is written.
void ReturnTo(QWidget* opener, QWidget* next);
