#include "reports/UnitViewService.h"

#include <QGridLayout>

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/Session.h"
#include "data/SqlSubset.h"
#include "data/UnitDM.h"
#include "operations/UnitService.h"

using namespace Qt::StringLiterals;

TFormViewService* FormViewService = nullptr;

TFormViewService::TFormViewService(QWidget* parent) : TForm(parent)
{
    setObjectName(u"FormViewService"_s);
    setWindowTitle(u"نمايش سرويسهاي صورت گرفته"_s);
    setFixedSize(700, 500);

    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->SetDataSource(&DM->DSViewService);
    DBGrid1->SetColumns({{u"service_id"_s, u"سرويس"_s, 60},
                         {u"service_date"_s, u"تاريخ"_s, 90},
                         {u"Service_time"_s, u"ساعت"_s, 70},
                         {u"driver_id"_s, u"كدراننده"_s, 75},
                         {u"acount_id"_s, u"اشتراك"_s, 70},
                         {u"service_moeny"_s, u"مبلغ سرويس"_s, 120},
                         {u"service_percent"_s, u"سهم آژانس"_s, 120}});
    DBGrid1->ExportName = [] { return u"سرويسها"_s; };

    auto bound = [&](const QString& field) {
        auto* t = new TDBText(this);
        t->SetField(&DM->DSViewService, field);
        return t;
    };

    EditServiceId = new TLabeledEdit(u"شماره سرويس"_s, u"EditServiceId"_s, this);
    EditServiceId->setDigitsOnlyAscii(true);
    EditAcountId = new TLabeledEdit(u"شماره مشترك"_s, u"EditAcountId"_s, this);
    EditAcountId->setDigitsOnlyAscii(true);
    MakeDateRange(this, Label5, MaskEdit1, Label6, MaskEdit2);

    Label1 = MakeBoldLabel(u"نام راننده :"_s, this);
    DBText1 = bound(u"driver_name"_s);
    Label2 = MakeBoldLabel(u"نام مشترك : "_s, this);
    DBText2 = bound(u"acount_name"_s);
    Label3 = MakeBoldLabel(u"مبدا :"_s, this);
    DBText3 = bound(u"service_start_add"_s);
    Label4 = MakeBoldLabel(u"مقصد :"_s, this);
    DBText4 = bound(u"service_target_add"_s);

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

    m_keys = new KeyChain(this);
    m_keys->onEnter(EditServiceId, [this] { EditServiceIdKeyPress(); });
    m_keys->onEnter(EditAcountId, [this] { EditAcountIdKeyPress(); });
    m_keys->onEnter(MaskEdit1, [this] { MaskEdit1KeyPress(); });
    m_keys->onEnter(MaskEdit2, [this] { MaskEdit2KeyPress(); });
    connect(DBGrid1, &TDBGrid::Activated, this, [this] { guarded([this] { DBGrid1KeyPress(); }); });
}

void TFormViewService::FormShow()
{
    // The last filter runs again (reading only the rows the grid shows), and both dates are today.
    const QString today = agency::session().todayDate;
    MaskEdit1->SetText(today);
    MaskEdit2->SetText(today);
    agency::TADOQuery* q = DM->QueryViewService;
    q->Close();
    q->Open();
}

void TFormViewService::Filter(const QString& where)
{
    agency::TADOQuery* q = DM->QueryViewService;
    q->SQL.Clear();
    q->SQL.Add(u"select *"_s);
    q->SQL.Add(u"from service"_s);
    q->SQL.Add(where);
    // Filtered services come by date, then by number: the day's order at the desk, and the same
    // order on every showing (the database alone promises none).
    q->SQL.Add(u"order by service_date,service_id"_s);
    q->Close();
    q->Open();
}

void TFormViewService::EditServiceIdKeyPress()
{
    const QString typed = EditServiceId->text();
    if (typed.isEmpty()) return;
    // Payment rows carry the number 0: they are left out here too, so that "0" lists no payment.
    Filter(u"where (service_id<>0) and (service_id="_s + agency::numberLiteral(typed) + u")"_s);
}

void TFormViewService::EditAcountIdKeyPress()
{
    const QString typed = EditAcountId->text();
    if (typed.isEmpty()) return;
    Filter(u"where service_id<>0 and acount_id="_s + agency::numberLiteral(typed));
}

void TFormViewService::MaskEdit1KeyPress()
{
    Filter(u"where (service_id<>0) and (service_date="_s + agency::textLiteral(MaskEdit1->Text()) + u")"_s);
    SetFocus(MaskEdit2);
}

void TFormViewService::MaskEdit2KeyPress()
{
    Filter(u"where (service_id<>0) and (service_date>="_s + agency::textLiteral(MaskEdit1->Text()) +
           u") and (service_date<="_s + agency::textLiteral(MaskEdit2->Text()) + u")"_s);
}

void TFormViewService::DBGrid1KeyPress()
{
    agency::TADOQuery* q = DM->QueryViewService;
    if (!q->Active() || q->RecNo() < 0) return;
    FormService->OpenForCorrection(q->FieldByName(u"service_date"_s).AsString(),
                                   q->FieldByName(u"service_id"_s).AsString());
}
