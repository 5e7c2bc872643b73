#pragma once

#include "reports/ListReport.h"

// The stored services, narrowed by number, by subscriber, by one date or by a range of dates;
// Enter on one opens it in the service window for correction.
class TFormViewService : public TListReport {
    Q_OBJECT

public:
    explicit TFormViewService(QWidget* parent = nullptr);

    TLabeledEdit* EditAcountId;
    QLabel* Label1;
    TDBText* DBText1;
    QLabel* Label2;
    TDBText* DBText2;
    QLabel* Label3;
    TDBText* DBText3;
    QLabel* Label4;
    TDBText* DBText4;

    void EditAcountIdKeyPress();

protected:
    void FormShow() override;
};

extern TFormViewService* FormViewService;
