#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"

#include <functional>

class KeyChain;

// A list of stored rows of one kind, services or payments, narrowed by their number, by one
// date or by a range of dates; Enter on a row opens it in its window for correction.
class TListReport : public TForm {
    Q_OBJECT

public:
    TDBGrid* DBGrid1;
    QLabel* Label5;
    TMaskEdit* MaskEdit1;
    QLabel* Label6;
    TMaskEdit* MaskEdit2;
    TLabeledEdit* EditServiceId;

    void EditServiceIdKeyPress();
    void MaskEdit1KeyPress();
    void MaskEdit2KeyPress();
    void DBGrid1KeyPress();

protected:
    struct Kind {
        agency::TDataSource* source;
        QVector<TColumn> columns;  // the first is the number the rows of this kind carry, 0 on the other kind
        QString numberCaption;     // the caption of the number filter
        QString order;             // the line that orders a filtered list, empty for none
        std::function<void(const QString& date, const QString& number)> correct;
    };
    TListReport(const Kind& kind, QWidget* parent);

    void FormShow() override;
    // Replaces the list's condition by this one and runs it again; the filter text names it in an export.
    void Filter(const QString& where, const TFilterText& text);
    // The condition on the kind's rows and this one.
    QString Where(const QString& condition) const;

    KeyChain* m_keys;

private:
    Kind m_kind;
    QString m_number;
};
