#include "reports/UnitViewDriverBes.h"

#include "data/UnitDM.h"
#include "operations/UnitDriverBes.h"

#include <QGridLayout>

using namespace Qt::StringLiterals;

TFormViewDriverBes* FormViewDriverBes = nullptr;

TFormViewDriverBes::TFormViewDriverBes(QWidget* parent)
    : TListReport({&DM->DSViewDriverBes,
                   {{u"driver_bes_no"_s, u"پرداخت"_s, 60},
                    {u"service_date"_s, u"تاريخ"_s, 90},
                    {u"driver_id"_s, u"كدراننده"_s, 70},
                    {u"driver_name"_s, u"نام راننده"_s, 170},
                    {u"driver_bes"_s, u"مبلغ پرداختي"_s, 110}},
                   u"شماره پرداخت"_s,
                   {},
                   [](const QString& date, const QString& number) { FormDriverBes->OpenForCorrection(date, number); }},
                  parent)
{
    Frame(u"FormViewDriverBes"_s, u"نمايش پرداختهاي رانندگان"_s, {560, 440});

    // The filters at the top, right to left; the list fills the rest.
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label5, 0, 0);
    grid->addWidget(MaskEdit1, 0, 1);
    grid->addWidget(Label6, 0, 2);
    grid->addWidget(MaskEdit2, 0, 3);
    grid->addWidget(EditServiceId->EditLabel, 0, 4);
    grid->addWidget(EditServiceId, 0, 5);
    grid->addWidget(DBGrid1, 1, 0, 1, 6);
    grid->setRowStretch(1, 1);

    QWidget* order[] = {DBGrid1, MaskEdit1, MaskEdit2, EditServiceId};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}
