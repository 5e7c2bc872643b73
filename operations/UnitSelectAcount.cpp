#include "operations/UnitSelectAcount.h"

#include "baseinfo/UnitNewAcount.h"
#include "controls/Keys.h"
#include "data/UnitDM.h"
#include "operations/UnitService.h"

using namespace Qt::StringLiterals;

TFormSelectAcount* FormSelectAcount = nullptr;

TFormSelectAcount::TFormSelectAcount(QWidget* parent)
    : TPicker(
          {u"FormSelectAcount"_s, u"انتخاب مشترك"_s, {547, 446}}, &DM->DSAcount,
          {{u"acount_id"_s, u"شماره"_s, 60}, {u"acount_name"_s, u"نام مشترك"_s, 170}, {u"acount_add"_s, u"آدرس"_s, 0}},
          {u"جستجوي نام مشترك"_s, u"acount"_s, u"acount_name"_s, u"EditAcountName"_s}, parent),
      EditAcountName(m_search)
{
}

void TFormSelectAcount::DBGrid1KeyPress()
{
    agency::TADOQuery* q = DM->QueryAcount;
    // An empty list has nobody to hand back: the service window's fields stay as they are.
    if (!q->Active() || q->IsEmpty() || q->RecNo() < 0 || !FormService) return;
    FormService->EditAcountName->setText(q->FieldByName(u"acount_name"_s).AsString());
    FormService->EditSource->setText(q->FieldByName(u"acount_add"_s).AsString());
    FormService->EditAcountId->setText(q->FieldByName(u"acount_id"_s).AsString());
    FormService->activateWindow();
    SetFocus(FormService->EditTarget);
    close();
}

void TFormSelectAcount::BitBtn1Click()
{
    FormNewAcount->Prepare(HighestCode(DM->ADOTableAcount, u"acount_id"_s) + 1);
}
