#include "operations/UnitSelectDriver.h"

#include <QEvent>
#include <QGridLayout>
#include <QVBoxLayout>

#include "baseinfo/UnitNewDriver.h"
#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/UnitDM.h"
#include "operations/UnitDriverBes.h"
#include "operations/UnitService.h"
#include "reports/UnitDriverHesab.h"

using namespace Qt::StringLiterals;

TFormSelectDriver* FormSelectDriver = nullptr;

namespace {

// Fills the receiving window's fields first, then moves its focus, as the opener expects.
void handBack(QWidget* receiver, const QList<std::pair<QLineEdit*, QString>>& fields, QWidget* next)
{
    if (!receiver) return;
    for (const auto& [edit, text] : fields)
        if (edit) edit->setText(text);
    if (receiver->isVisible()) receiver->activateWindow();
    SetFocus(next);
}

}  // namespace

TFormSelectDriver::TFormSelectDriver(QWidget* parent) : TForm(parent)
{
    setObjectName(u"FormSelectDriver"_s);
    setWindowTitle(u"انتخاب راننده"_s);
    setFixedSize(365, 446);

    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->SetDataSource(&DM->DSDriver);
    DBGrid1->SetColumns({{u"driver_id"_s, u"كد راننده"_s, 80}, {u"driver_name"_s, u"نام راننده"_s, 0}});
    BitBtn1 = new TBitBtn(u"جديد"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    EditDriverName = new TLabeledEdit(u"جستجوي نام راننده"_s, this);
    EditDriverName->setObjectName(u"EditDriverName"_s);

    // Right to left: the caption stands right of the search box, "جديد" at the far left.
    auto* top = new QGridLayout;
    top->addWidget(EditDriverName->EditLabel, 0, 0);
    top->addWidget(EditDriverName, 0, 1);
    top->addWidget(BitBtn1, 0, 2);
    top->setColumnStretch(1, 1);
    auto* box = new QVBoxLayout(this);
    box->addLayout(top);
    box->addWidget(DBGrid1, 1);

    setTabOrder(DBGrid1, BitBtn1);
    setTabOrder(BitBtn1, EditDriverName);

    EditDriverName->installEventFilter(this);
    connect(DBGrid1, &TDBGrid::Activated, this, [this] { guarded([this] { DBGrid1KeyPress(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
}

bool TFormSelectDriver::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == EditDriverName && event->type() == QEvent::KeyRelease) guarded([this] { EditDriverNameKeyUp(); });
    return TForm::eventFilter(watched, event);
}

void TFormSelectDriver::EditDriverNameKeyUp()
{
    agency::TADOQuery* q = DM->QueryDriver;
    q->SQL.Clear();
    q->SQL.Add(u"select *"_s);
    q->SQL.Add(u"from driver"_s);
    // Whatever was typed is searched for as it stands, quotes and wildcards included.
    if (!EditDriverName->text().isEmpty())
        q->SQL.Add(u"where driver_name like "_s + agency::likeContains(EditDriverName->text()));
    q->Close();
    q->Open();
}

void TFormSelectDriver::DBGrid1KeyPress()
{
    agency::TADOQuery* q = DM->QueryDriver;
    // An empty list has nobody to hand back: the opener's fields stay as they are.
    if (!q->Active() || q->IsEmpty() || q->RecNo() < 0) return;
    const QString id = q->FieldByName(u"driver_id"_s).AsString();
    const QString name = q->FieldByName(u"driver_name"_s).AsString();
    switch (Caller) {
        case 1:
            if (FormService)
                handBack(FormService, {{FormService->EditDriverName, name}, {FormService->EditDriverId, id}},
                         FormService->EditAcountId);
            break;
        case 2:
            if (FormDriverBes)
                handBack(FormDriverBes, {{FormDriverBes->EditDriverName, name}, {FormDriverBes->EditDriverId, id}},
                         FormDriverBes->EditMoney);
            break;
        case 3:
            if (FormDriverHesab)
                handBack(FormDriverHesab, {{FormDriverHesab->EditDriverId, id}}, FormDriverHesab->MaskEdit1);
            break;
        default:
            break;
    }
    close();
}

void TFormSelectDriver::BitBtn1Click()
{
    FormNewDriver->Prepare(HighestCode(DM->ADOTableDriver, u"driver_id"_s) + 1);
}
