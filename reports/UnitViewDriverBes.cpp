#include "reports/UnitViewDriverBes.h"

#include <QGridLayout>

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/Session.h"
#include "data/SqlSubset.h"
#include "data/UnitDM.h"
#include "operations/UnitDriverBes.h"

using namespace Qt::StringLiterals;

TFormViewDriverBes* FormViewDriverBes = nullptr;

TFormViewDriverBes::TFormViewDriverBes(QWidget* parent) : TForm(parent)
{
    setObjectName(u"FormViewDriverBes"_s);
    setWindowTitle(u"نمايش پرداختهاي رانندگان"_s);
    setFixedSize(560, 440);

    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->SetDataSource(&DM->DSViewDriverBes);
    DBGrid1->SetColumns({{u"driver_bes_no"_s, u"پرداخت"_s, 60},
                         {u"service_date"_s, u"تاريخ"_s, 90},
                         {u"driver_id"_s, u"كدراننده"_s, 70},
                         {u"driver_name"_s, u"نام راننده"_s, 170},
                         {u"driver_bes"_s, u"مبلغ پرداختي"_s, 110}});
    MakeDateRange(this, Label5, MaskEdit1, Label6, MaskEdit2);
    EditServiceId = new TLabeledEdit(u"شماره پرداخت"_s, u"EditServiceId"_s, this);
    EditServiceId->setDigitsOnlyAscii(true);

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

    m_keys = new KeyChain(this);
    m_keys->onEnter(EditServiceId, [this] { EditServiceIdKeyPress(); });
    m_keys->onEnter(MaskEdit1, [this] { MaskEdit1KeyPress(); });
    m_keys->onEnter(MaskEdit2, [this] { MaskEdit2KeyPress(); });
    connect(DBGrid1, &TDBGrid::Activated, this, [this] { guarded([this] { DBGrid1KeyPress(); }); });
}

void TFormViewDriverBes::FormShow()
{
    // The list stays as the last filter left it: showing does not run the query.
    const QString today = agency::session().todayDate;
    MaskEdit1->SetText(today);
    MaskEdit2->SetText(today);
}

void TFormViewDriverBes::Filter(const QString& where)
{
    agency::TADOQuery* q = DM->QueryViewDriverBes;
    q->SQL.Delete(2);
    q->SQL.Add(where);
    q->Close();
    q->Open();
}

void TFormViewDriverBes::EditServiceIdKeyPress()
{
    const QString typed = EditServiceId->text();
    if (typed.isEmpty()) return;
    const QString value = agency::numberLiteral(typed);
    // Services carry no payment number: 0 lists none of them.
    Filter(u"where (driver_bes_no<>0) and (driver_bes_no="_s + value + u")"_s);
}

void TFormViewDriverBes::MaskEdit1KeyPress()
{
    Filter(u"where (driver_bes_no<>0) and (service_date="_s + agency::textLiteral(MaskEdit1->Text()) + u")"_s);
    SetFocus(MaskEdit2);
}

void TFormViewDriverBes::MaskEdit2KeyPress()
{
    Filter(u"where (driver_bes_no<>0) and (service_date>="_s + agency::textLiteral(MaskEdit1->Text()) +
           u") and (service_date<="_s + agency::textLiteral(MaskEdit2->Text()) + u")"_s);
}

void TFormViewDriverBes::DBGrid1KeyPress()
{
    agency::TADOQuery* q = DM->QueryViewDriverBes;
    if (!q->Active() || q->RecNo() < 0) return;
    FormDriverBes->OpenForCorrection(q->FieldByName(u"service_date"_s).AsString(),
                                     q->FieldByName(u"driver_bes_no"_s).AsString());
}
