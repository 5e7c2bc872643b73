#include "reports/UnitAudit.h"

#include "controls/Keys.h"
#include "data/Session.h"
#include "data/SqlSubset.h"
#include "data/UnitDM.h"

#include <QGridLayout>

using namespace Qt::StringLiterals;

TFormAudit* FormAudit = nullptr;

TFormAudit::TFormAudit(QWidget* parent) : TForm(parent)
{
    Frame(u"FormAudit"_s, u"سابقه تغييرات"_s);
    resize(900, 560);
    MakeDateRange(this, Label5, MaskEdit1, Label6, MaskEdit2);
    EditUser = new TLabeledEdit(u"نام كاربر"_s, u"EditUser"_s, this);
    EditUser->setMaxLength(50);
    DBGrid1 = new TDBGrid(this, &DM->DSAudit,
                          {{u"audit_date"_s, u"تاريخ"_s, 85},
                           {u"audit_time"_s, u"ساعت"_s, 70},
                           {u"audit_user"_s, u"كاربر"_s, 100},
                           {u"audit_action"_s, u"عمل"_s, 100},
                           {u"audit_table"_s, u"جدول"_s, 65},
                           {u"audit_row"_s, u"رديف"_s, 60},
                           {u"audit_before"_s, u"پيش از تغيير"_s, 180},
                           {u"audit_after"_s, u"پس از تغيير"_s, 180}});
    DBGrid1->ExportName = [] { return u"سابقه تغييرات"_s; };
    auto bound = [this](QLabel*& label, TDBText*& text, const QString& caption, const QString& field) {
        label = MakeBoldLabel(caption, this);
        text = new TDBText(this);
        text->SetField(&DM->DSAudit, field);
        // Each line from the right, whichever way its letters run.
        text->setAlignment(Qt::AlignTop | Qt::AlignRight | Qt::AlignAbsolute);
        text->setWordWrap(true);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->setMinimumHeight(120);
    };
    bound(Label1, DBText1, u"پيش از تغيير :"_s, u"audit_before"_s);
    bound(Label2, DBText2, u"پس از تغيير :"_s, u"audit_after"_s);

    // Filters on top, right to left; the list; the current row's values before and after under it.
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label5, 0, 0);
    grid->addWidget(MaskEdit1, 0, 1);
    grid->addWidget(Label6, 0, 2);
    grid->addWidget(MaskEdit2, 0, 3);
    grid->addWidget(EditUser->EditLabel, 0, 4);
    grid->addWidget(EditUser, 0, 5);
    grid->addWidget(DBGrid1, 1, 0, 1, 6);
    grid->addWidget(Label1, 2, 0, 1, 3);
    grid->addWidget(Label2, 2, 3, 1, 3);
    grid->addWidget(DBText1, 3, 0, 1, 3);
    grid->addWidget(DBText2, 3, 3, 1, 3);
    grid->setRowStretch(1, 1);
    for (int column : {1, 3, 5}) grid->setColumnStretch(column, 1);

    QWidget* order[] = {MaskEdit1, MaskEdit2, EditUser, DBGrid1};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    m_keys = new KeyChain(this);
    m_keys->enterTo(MaskEdit1, MaskEdit2);
    m_keys->enterTo(MaskEdit2, EditUser);
    m_keys->onEnter(EditUser, [this] {
        Filter();
        SetFocus(DBGrid1);
    });
}

void TFormAudit::FormShow()
{
    const QString today = agency::session().todayDate;
    MaskEdit1->SetText(today);
    MaskEdit2->SetText(today);
    EditUser->clear();
    Filter();
    SetFocus(MaskEdit1);
}

void TFormAudit::Filter()
{
    QString where = u"where (audit_date>="_s + agency::textLiteral(MaskEdit1->Text()) + u") and (audit_date<="_s +
                    agency::textLiteral(MaskEdit2->Text()) + u")"_s;
    TFilterText text = {{Label5->text(), MaskEdit1->Text()}, {Label6->text(), MaskEdit2->Text()}};
    // The name is taken literally, quotes and percent signs included.
    if (const QString user = EditUser->text(); !user.isEmpty()) {
        where += u" and (audit_user like "_s + agency::likeContains(user) + u")"_s;
        text.append({EditUser->EditLabel->text(), user});
    }
    agency::TADOQuery* q = DM->QueryAudit;
    q->SQL.Clear();
    q->SQL.Add(u"select *"_s);
    q->SQL.Add(u"from audit"_s);
    q->SQL.Add(where);
    q->SQL.Add(u"order by id"_s);
    DBGrid1->ExportFilter = text;
    q->Close();
    q->Open();
}
