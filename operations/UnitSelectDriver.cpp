#include "operations/UnitSelectDriver.h"

#include "baseinfo/UnitNewDriver.h"
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

TFormSelectDriver::TFormSelectDriver(QWidget* parent)
    : TPicker(&DM->DSDriver, {{u"driver_id"_s, u"كد راننده"_s, 80}, {u"driver_name"_s, u"نام راننده"_s, 0}},
              {u"جستجوي نام راننده"_s, u"driver"_s, u"driver_name"_s}, parent)
{
    setObjectName(u"FormSelectDriver"_s);
    setWindowTitle(u"انتخاب راننده"_s);
    setFixedSize(365, 446);
    EditDriverName = m_search;
    EditDriverName->setObjectName(u"EditDriverName"_s);
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
