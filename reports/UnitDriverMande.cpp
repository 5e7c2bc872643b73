#include "reports/UnitDriverMande.h"

#include "data/Ledger.h"
#include "data/UnitDM.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TFormDriverMande* FormDriverMande = nullptr;

TFormDriverMande::TFormDriverMande(QWidget* parent) : TForm(parent)
{
    Frame(u"FormDriverMande"_s, u"نمايش مانده حسابهاي رانندگان"_s);
    resize(640, 460);
    setSizeGripEnabled(true);

    // The three sums are named by their places in the select list.
    DBGrid1 = new TDBGrid(this, &DM->DSDriverMande,
                          {{u"driver_id"_s, u"كد راننده"_s, 70},
                           {u"Driver_name"_s, u"نام راننده"_s, 170},
                           {u"Expr1002"_s, u"جمع بدهي"_s, 120},
                           {u"Expr1003"_s, u"جمع بستانكاري"_s, 120},
                           {u"Expr1004"_s, u"مانده"_s, 120}});
    // A driver whose debt, over all the forms of his name, passes the agency's limit stands out.
    DBGrid1->Model()->RowNote = [this](int row) {
        if (!m_over.contains(DBGrid1->Model()->Text(row, 0).toInt())) return QString();
        return u"بدهي اين راننده از سقف بدهي %1 ريال گذشته است"_s.arg(m_limit.toString());
    };
    auto* box = new QVBoxLayout(this);
    box->addSpacing(8);
    box->addWidget(DBGrid1, 1);
}

void TFormDriverMande::FormShow()
{
    const agency::Ledger ledger(*DM);
    m_limit = ledger.DebtLimit();
    m_over = ledger.DriversOverLimit();
    DM->QueryDriverMande->Close();
    DM->QueryDriverMande->Open();
}
