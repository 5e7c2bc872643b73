#include "baseinfo/UnitNewAcount.h"

#include "data/UnitDM.h"

using namespace Qt::StringLiterals;

TFormNewAcount* FormNewAcount = nullptr;

TFormNewAcount::TFormNewAcount(QWidget* parent) : TFormNewEntry(DM->ADOTableAcount, DM->QueryAcount, parent)
{
    Frame(u"FormNewAcount"_s, u"ثبت اشتراك جديد"_s, {404, 170});

    LabeledEdit1 = new TLabeledEdit(u"كد اشتراك"_s, u"LabeledEdit1"_s, this);
    LabeledEdit2 = new TLabeledEdit(u"نام مشترك"_s, u"LabeledEdit2"_s, this);
    LabeledEdit3 = new TLabeledEdit(u"آدرس"_s, u"LabeledEdit3"_s, this);
    LabeledEdit4 = new TLabeledEdit(u"تلفن"_s, u"LabeledEdit4"_s, this);
    LayOut({{LabeledEdit1, LabeledEdit2}, {LabeledEdit3}, {LabeledEdit4}});

    SetEntries({{LabeledEdit1, u"acount_id"_s},
                {LabeledEdit2, u"acount_name"_s},
                {LabeledEdit3, u"acount_add"_s},
                {LabeledEdit4, u"acount_tel"_s}},
               {LabeledEdit2, LabeledEdit1, LabeledEdit3});
}
