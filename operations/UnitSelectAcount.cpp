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
    const bool byPhone = m_byPhone;
    close();
    if (byPhone) FormService->ShowLastServices();
}

void TFormSelectAcount::hideEvent(QHideEvent* event)
{
    TPicker::hideEvent(event);
    m_byPhone = false;
}

void TFormSelectAcount::ShowCodes(const QVector<qint32>& codes)
{
    QStringList list;
    for (qint32 c : codes) list << QString::number(c);
    agency::TADOQuery* q = DM->QueryAcount;
    q->SQL.Clear();
    q->SQL.Add(u"select *"_s);
    q->SQL.Add(u"from acount"_s);
    q->SQL.Add(u"where acount_id in (%1)"_s.arg(list.join(u", "_s)));
    q->SQL.Add(u"order by acount_id"_s);
    q->Close();
    q->Open();
    // A name typed next searches all subscribers again, as the box shows.
    EditAcountName->clear();
    m_byPhone = true;
    Show();
    SetFocus(DBGrid1);
}

void TFormSelectAcount::BitBtn1Click()
{
    FormNewAcount->Prepare(HighestCode(DM->ADOTableAcount, u"acount_id"_s) + 1);
}
