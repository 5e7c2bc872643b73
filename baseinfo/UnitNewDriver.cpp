#include "baseinfo/UnitNewDriver.h"

#include <QGridLayout>

#include "data/UnitDM.h"

using namespace Qt::StringLiterals;

TFormNewDriver* FormNewDriver = nullptr;

TFormNewDriver::TFormNewDriver(QWidget* parent) : TFormNewEntry(DM->ADOTableDriver, DM->QueryDriver, parent)
{
    setObjectName(u"FormNewDriver"_s);
    setWindowTitle(u"اضافه كردن راننده جديد"_s);
    setFixedSize(433, 201);

    auto edit = [this](const QString& name, const QString& caption) {
        auto* e = new TLabeledEdit(caption, this);
        e->setObjectName(name);
        return e;
    };
    LabeledEdit1 = edit(u"LabeledEdit1"_s, u"كد راننده"_s);
    LabeledEdit2 = edit(u"LabeledEdit2"_s, u"نام راننده"_s);
    LabeledEdit3 = edit(u"LabeledEdit3"_s, u"نام اتومبيل"_s);
    LabeledEdit4 = edit(u"LabeledEdit4"_s, u"آدرس"_s);
    LabeledEdit5 = edit(u"LabeledEdit5"_s, u"تلفن"_s);

    // Right to left: column 0 stands at the right, so each caption is right of its field.
    auto* grid = new QGridLayout(this);
    grid->addWidget(LabeledEdit1->EditLabel, 0, 0);
    grid->addWidget(LabeledEdit1, 0, 1);
    grid->addWidget(LabeledEdit2->EditLabel, 0, 2);
    grid->addWidget(LabeledEdit2, 0, 3);
    grid->addWidget(LabeledEdit3->EditLabel, 1, 0);
    grid->addWidget(LabeledEdit3, 1, 1, 1, 3);
    grid->addWidget(LabeledEdit4->EditLabel, 2, 0);
    grid->addWidget(LabeledEdit4, 2, 1, 1, 3);
    grid->addWidget(LabeledEdit5->EditLabel, 3, 0);
    grid->addWidget(LabeledEdit5, 3, 1);
    grid->addWidget(BitBtn1, 3, 3, Qt::AlignLeft | Qt::AlignAbsolute);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);

    SetEntries({{LabeledEdit1, u"driver_id"_s},
                {LabeledEdit2, u"driver_name"_s},
                {LabeledEdit3, u"driver_auto"_s},
                {LabeledEdit4, u"driver_add"_s},
                {LabeledEdit5, u"driver_tel"_s}},
               {LabeledEdit2, LabeledEdit1});
}
