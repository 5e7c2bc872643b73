#include "baseinfo/UnitNewDriver.h"

#include "data/UnitDM.h"

using namespace Qt::StringLiterals;

TFormNewDriver* FormNewDriver = nullptr;

TFormNewDriver::TFormNewDriver(QWidget* parent) : TFormNewEntry(DM->ADOTableDriver, DM->QueryDriver, parent)
{
    Frame(u"FormNewDriver"_s, u"اضافه كردن راننده جديد"_s, {433, 201});

    LabeledEdit1 = new TLabeledEdit(u"كد راننده"_s, u"LabeledEdit1"_s, this);
    LabeledEdit2 = new TLabeledEdit(u"نام راننده"_s, u"LabeledEdit2"_s, this);
    LabeledEdit3 = new TLabeledEdit(u"نام اتومبيل"_s, u"LabeledEdit3"_s, this);
    LabeledEdit4 = new TLabeledEdit(u"آدرس"_s, u"LabeledEdit4"_s, this);
    LabeledEdit5 = new TLabeledEdit(u"تلفن"_s, u"LabeledEdit5"_s, this);
    LayOut({{LabeledEdit1, LabeledEdit2}, {LabeledEdit3}, {LabeledEdit4}, {LabeledEdit5}});

    SetEntries({{LabeledEdit1, u"driver_id"_s},
                {LabeledEdit2, u"driver_name"_s},
                {LabeledEdit3, u"driver_auto"_s},
                {LabeledEdit4, u"driver_add"_s},
                {LabeledEdit5, u"driver_tel"_s}},
               {LabeledEdit2, LabeledEdit1});
}
