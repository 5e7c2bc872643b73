#include "baseinfo/UnitPayeh.h"

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/Ledger.h"
#include "data/UnitDM.h"

#include <QGridLayout>

using namespace Qt::StringLiterals;

TFormPayeh* FormPayeh = nullptr;

TFormPayeh::TFormPayeh(QWidget* parent) : TForm(parent)
{
    Frame(u"FormPayeh"_s, u"اطلاعات پايه"_s, {514, 172});

    auto field = [this](const QString& name, QLabel*& label, const QString& caption, const QString& column) {
        auto* e = new TDBEdit(this);
        e->setObjectName(name);
        e->SetField(&DM->DataSourcePayeh, column);
        label = MakeBoldLabel(caption, this);
        label->setBuddy(e);
        return e;
    };
    DBEdit1 = field(u"DBEdit1"_s, Label1, u"عنوان آژانس"_s, u"Title"_s);
    DBEdit3 = field(u"DBEdit3"_s, Label3, u"آدرس آژانس"_s, u"Add"_s);
    DBEdit4 = field(u"DBEdit4"_s, Label4, u"تلفنهاي آژانس"_s, u"Tel"_s);
    // Telephone numbers alone read left to right, in the order typed; a Persian text right to left.
    const auto followText = [this](const QString& text) {
        DBEdit4->setLayoutDirection(text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    };
    connect(DBEdit4, &QLineEdit::textChanged, this, followText);
    DBEdit2 = field(u"DBEdit2"_s, Label2, u"درصد سهم آژانس"_s, u"percent"_s);
    DBEdit2->setFixedWidth(DBEdit2->fontMetrics().horizontalAdvance(u"-000"_s) + 16);
    DBEdit5 = field(u"DBEdit5"_s, Label5, u"سقف بدهي راننده"_s, u"debt_limit"_s);
    DBEdit5->setFixedWidth(DBEdit5->fontMetrics().horizontalAdvance(u"0000000000000"_s) + 16);
    DBEdit5->Check = [](const QString& text) { agency::Ledger::DebtLimitOf(text); };
    Button1 = new TBitBtn(u"ذخيره"_s, this);
    Button1->setObjectName(u"Button1"_s);

    // Right to left: column 0 stands at the right, so each caption is right of its field.
    auto* grid = new QGridLayout(this);
    grid->setVerticalSpacing(4);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(DBEdit1, 0, 1, 1, 4);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(DBEdit3, 1, 1, 1, 4);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(DBEdit4, 2, 1);
    grid->addWidget(Label2, 2, 2);
    grid->addWidget(DBEdit2, 2, 3);
    grid->addWidget(Button1, 2, 4);
    grid->addWidget(Label5, 3, 0);
    grid->addWidget(DBEdit5, 3, 1, Qt::AlignLeading);
    grid->setColumnStretch(1, 1);

    setTabOrder(DBEdit1, DBEdit3);
    setTabOrder(DBEdit3, DBEdit4);
    setTabOrder(DBEdit4, DBEdit2);
    setTabOrder(DBEdit2, DBEdit5);
    setTabOrder(DBEdit5, Button1);

    // Enter writes the field into the settings row before moving on; a refused text keeps the focus.
    m_keys = new KeyChain(this);
    const std::pair<TDBEdit*, QWidget*> chain[] = {
        {DBEdit1, DBEdit3}, {DBEdit3, DBEdit4}, {DBEdit4, DBEdit2}, {DBEdit2, DBEdit5}, {DBEdit5, Button1}};
    for (const auto& [from, to] : chain)
        m_keys->onEnter(from, [from, to] {
            from->UpdateRecord();
            SetFocus(to);
        });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
}

void TFormPayeh::FormShow()
{
    SetFocus(Button1);
}

void TFormPayeh::Button1Click()
{
    // The text of the focused field goes in too; a refused one keeps the focus for its correction.
    for (TDBEdit* e : {DBEdit1, DBEdit3, DBEdit4, DBEdit2, DBEdit5}) {
        try {
            e->UpdateRecord();
        } catch (...) {
            SetFocus(e);
            throw;
        }
    }
    DM->ADOTablePayeh->PostKeepingEdits();
}
