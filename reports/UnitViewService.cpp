#include "reports/UnitViewService.h"

#include "controls/Keys.h"
#include "data/SqlSubset.h"
#include "data/UnitDM.h"
#include "operations/UnitService.h"

#include <QGridLayout>

using namespace Qt::StringLiterals;

TFormViewService* FormViewService = nullptr;

TFormViewService::TFormViewService(QWidget* parent)
    : TListReport({&DM->DSViewService,
                   {{u"service_id"_s, u"سرويس"_s, 60},
                    {u"service_date"_s, u"تاريخ"_s, 90},
                    {u"Service_time"_s, u"ساعت"_s, 70},
                    {u"driver_id"_s, u"كدراننده"_s, 75},
                    {u"acount_id"_s, u"اشتراك"_s, 70},
                    {u"service_moeny"_s, u"مبلغ سرويس"_s, 120},
                    {u"service_percent"_s, u"سهم آژانس"_s, 120}},
                   u"شماره سرويس"_s,
                   // Filtered services come by date, then by number: the day's order at the desk.
                   u"order by service_date,service_id"_s,
                   [](const QString& date, const QString& number) { FormService->OpenForCorrection(date, number); }},
                  parent)
{
    Frame(u"FormViewService"_s, u"نمايش سرويسهاي صورت گرفته"_s, {700, 500});
    DBGrid1->ExportName = [] { return u"سرويسها"_s; };

    EditAcountId = new TLabeledEdit(u"شماره مشترك"_s, u"EditAcountId"_s, this);
    EditAcountId->setDigitsOnlyAscii(true);
    // The captions of the current row under the list.
    auto bound = [this](QLabel*& label, TDBText*& text, const QString& caption, const QString& field) {
        label = MakeBoldLabel(caption, this);
        text = new TDBText(this);
        text->SetField(&DM->DSViewService, field);
    };
    bound(Label1, DBText1, u"نام راننده :"_s, u"driver_name"_s);
    bound(Label2, DBText2, u"نام مشترك : "_s, u"acount_name"_s);
    bound(Label3, DBText3, u"مبدا :"_s, u"service_start_add"_s);
    bound(Label4, DBText4, u"مقصد :"_s, u"service_target_add"_s);

    // Filters on top, right to left; the list; the captions of its current row under it.
    auto* grid = new QGridLayout(this);
    grid->addWidget(EditServiceId->EditLabel, 0, 0);
    grid->addWidget(EditServiceId, 0, 1);
    grid->addWidget(EditAcountId->EditLabel, 0, 2);
    grid->addWidget(EditAcountId, 0, 3);
    grid->addWidget(Label5, 1, 0);
    grid->addWidget(MaskEdit1, 1, 1);
    grid->addWidget(Label6, 1, 2);
    grid->addWidget(MaskEdit2, 1, 3);
    grid->addWidget(DBGrid1, 2, 0, 1, 4);
    grid->addWidget(Label1, 3, 0);
    grid->addWidget(DBText1, 3, 1);
    grid->addWidget(Label2, 3, 2);
    grid->addWidget(DBText2, 3, 3);
    grid->addWidget(Label3, 4, 0);
    grid->addWidget(DBText3, 4, 1, 1, 3);
    grid->addWidget(Label4, 5, 0);
    grid->addWidget(DBText4, 5, 1, 1, 3);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    QWidget* order[] = {DBGrid1, EditServiceId, EditAcountId, MaskEdit1, MaskEdit2};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    m_keys->onEnter(EditAcountId, [this] { EditAcountIdKeyPress(); });
}

void TFormViewService::FormShow()
{
    // The last filter runs again (reading only the rows the grid shows), and both dates are today.
    TListReport::FormShow();
    DM->QueryViewService->Close();
    DM->QueryViewService->Open();
}

void TFormViewService::EditAcountIdKeyPress()
{
    const QString typed = EditAcountId->text();
    if (typed.isEmpty()) return;
    Filter(Where(u"(acount_id="_s + agency::numberLiteral(typed) + u")"_s), {{EditAcountId->EditLabel->text(), typed}});
}
