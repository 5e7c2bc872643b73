#include "reports/UnitDriverHesab.h"

#include "controls/Keys.h"
#include "data/Session.h"
#include "data/SqlSubset.h"
#include "data/UnitDM.h"
#include "operations/UnitSelectDriver.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QScrollBar>

using namespace Qt::StringLiterals;

TFormDriverHesab* FormDriverHesab = nullptr;

TFormDriverHesab::TFormDriverHesab(QWidget* parent) : TForm(parent)
{
    Frame(u"FormDriverHesab"_s, u"ريز حساب رانندگان"_s, {700, 500});

    QFont bold = font();
    bold.setBold(true);

    EditDriverId = new TLabeledEdit(u"كد راننده"_s, u"EditDriverId"_s, this);
    EditDriverId->setDigitsOnlyAscii(true);
    DBText1 = new TDBText(this);
    DBText1->SetField(&DM->DSDriverHesab, u"driver_name"_s);
    DBText1->setFont(bold);
    MakeDateRange(this, Label5, MaskEdit1, Label6, MaskEdit2);

    DBGrid1 = new TDBGrid(this, &DM->DSDriverHesab,
                          {{u"service_date"_s, u"تاريخ"_s, 90},
                           {u"service_action"_s, u"شرح"_s, 300},
                           {u"service_percent"_s, u"بدهكار"_s, 125},
                           {u"driver_bes"_s, u"بستانكار"_s, 125}});

    DBText2 = new TDBText(this);
    DBText2->SetField(&DM->DSDriverHesabJM, u"Expr1000"_s);
    DBText3 = new TDBText(this);
    DBText3->SetField(&DM->DSDriverHesabJM, u"Expr1001"_s);
    for (TDBText* t : {DBText2, DBText3}) {
        t->setFont(bold);
        t->setAlignment(Qt::AlignCenter);
    }
    Label1 = new QLabel(this);
    Label1->setFont(bold);
    Label1->setAlignment(Qt::AlignCenter);
    DBGrid1->ExportName = [this] { return u"حساب راننده "_s + EditDriverId->text(); };
    // After a refused filter the totals and the sentence still show the last account: an export
    // then carries neither, rather than put them under another driver's or other dates' heading.
    DBGrid1->ExportTotals = [this] {
        return m_exportable ? QStringList{u"جمع"_s, {}, DBText2->text(), DBText3->text()} : QStringList();
    };
    DBGrid1->ExportFooter = [this] { return m_exportable ? QStringList{Label1->text()} : QStringList(); };

    // Code, dates, the rows, then the totals under the debit and credit columns and the sentence.
    auto* grid = new QGridLayout(this);
    grid->addWidget(EditDriverId->EditLabel, 0, 0);
    grid->addWidget(EditDriverId, 0, 1);
    grid->addWidget(DBText1, 0, 2, 1, 2);
    grid->addWidget(Label5, 1, 0);
    grid->addWidget(MaskEdit1, 1, 1);
    grid->addWidget(Label6, 1, 2);
    grid->addWidget(MaskEdit2, 1, 3);
    grid->addWidget(DBGrid1, 2, 0, 1, 4);
    // The totals follow the debit and credit columns wherever the grid puts them.
    m_totals = new QWidget(this);
    m_totals->setFixedHeight(DBText2->fontMetrics().height() + 6);
    for (TDBText* t : {DBText2, DBText3}) t->setParent(m_totals);
    grid->addWidget(m_totals, 3, 0, 1, 4);
    QHeaderView* header = DBGrid1->horizontalHeader();
    connect(header, &QHeaderView::sectionResized, this, &TFormDriverHesab::PlaceTotals);
    connect(header, &QHeaderView::geometriesChanged, this, &TFormDriverHesab::PlaceTotals);
    connect(DBGrid1->horizontalScrollBar(), &QScrollBar::valueChanged, this, &TFormDriverHesab::PlaceTotals);
    grid->addWidget(Label1, 4, 0, 1, 4);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    QWidget* order[] = {DBGrid1, MaskEdit1, MaskEdit2, EditDriverId};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    TFormSelectDriver::Register(3, this, [this](const QString& id, const QString&) {
        EditDriverId->setText(id);
        ReturnTo(this, MaskEdit1);
    });

    m_keys = new KeyChain(this);
    m_keys->onEnter(EditDriverId, [this] { EditDriverIdKeyPress(); });
    m_keys->enterTo(MaskEdit1, MaskEdit2);
    m_keys->onEnter(MaskEdit2, [this] { MaskEdit2KeyPress(); });
}

void TFormDriverHesab::FormShow()
{
    // Code, rows, totals and sentence stay as the last query left them.
    const QString today = agency::session().todayDate;
    MaskEdit1->SetText(today);
    MaskEdit2->SetText(today);
    SetFocus(EditDriverId);
}

void TFormDriverHesab::PlaceTotals()
{
    QHeaderView* header = DBGrid1->horizontalHeader();
    for (auto [total, column] : {std::pair{DBText2, 2}, {DBText3, 3}}) {
        const QPoint at = header->viewport()->mapTo(this, QPoint(header->sectionViewportPosition(column), 0));
        total->setGeometry(m_totals->mapFrom(this, at).x(), 0, header->sectionSize(column), m_totals->height());
    }
}

void TFormDriverHesab::resizeEvent(QResizeEvent* event)
{
    TForm::resizeEvent(event);
    PlaceTotals();
}

void TFormDriverHesab::EditDriverIdKeyPress()
{
    if (!EditDriverId->text().isEmpty()) {
        SetFocus(MaskEdit1);
        return;
    }
    // The picker writes the chosen code here and moves to the first date.
    FormSelectDriver->Show();
    FormSelectDriver->Caller = 3;
}

QString TFormDriverHesab::BalanceSentence(qint64 balance)
{
    if (balance == 0) return u"مانده حساب صفر است"_s;
    // The amount without its sign; a 64-bit balance has no magnitude that overflows here but the
    // lowest, which no sum of 32-bit amounts reaches.
    const QString amount = QString::number(balance < 0 ? -balance : balance);
    return u"مانده حساب  "_s + amount + (balance < 0 ? u"  ريال بستانكار است"_s : u"  ريال بدهكار است"_s);
}

void TFormDriverHesab::MaskEdit2KeyPress()
{
    // A code that is not a whole number goes in quoted, and the parser refuses it with its message:
    // the rows are then left empty and the totals and the sentence keep what they said.
    const QString where = u"where (driver_id="_s + agency::numberLiteral(EditDriverId->text()) +
                          u") and (service_date>="_s + agency::textLiteral(MaskEdit1->Text()) +
                          u") and (service_date<="_s + agency::textLiteral(MaskEdit2->Text()) + u")"_s;

    agency::TADOQuery* rows = DM->QueryDriverHesab;
    rows->SQL.Clear();
    rows->SQL.Add(u"select *"_s);
    rows->SQL.Add(u"from service"_s);
    rows->SQL.Add(where);
    // The account reads by date, and within a day in the order the rows were stored.
    rows->SQL.Add(u"order by service_date,id"_s);
    // Whose account and which dates, named in an export of it; the name is the one on his rows.
    DBGrid1->ExportFilter = {{EditDriverId->EditLabel->text(), EditDriverId->text()},
                             {u"نام راننده"_s, {}},
                             {Label5->text(), MaskEdit1->Text()},
                             {Label6->text(), MaskEdit2->Text()}};
    m_exportable = false;
    rows->Close();
    rows->Open();
    if (!rows->IsEmpty()) DBGrid1->ExportFilter[1].second = rows->FieldByName(u"driver_name"_s).AsString();

    agency::TADOQuery* sums = DM->QueryDriverHesabJM;
    sums->SQL.Clear();
    sums->SQL.Add(u"select sum(service_percent),sum(driver_bes)"_s);
    sums->SQL.Add(u"from service"_s);
    sums->SQL.Add(where);
    sums->SQL.Add(u"group by driver_id"_s);
    sums->Close();
    sums->Open();

    // Each total is rounded to whole rials on its own (a half to the even neighbour); no row, or
    // only empty values, count as 0. The balance is kept in 64 bits: totals of many 32-bit
    // amounts pass the 32-bit range.
    qint64 debit = 0;
    qint64 credit = 0;
    if (!sums->IsEmpty()) {
        sums->First();
        debit = sums->FieldByName(u"Expr1000"_s).AsCurrency().roundToInteger();
        credit = sums->FieldByName(u"Expr1001"_s).AsCurrency().roundToInteger();
    }
    Label1->setText(BalanceSentence(debit - credit));
    m_exportable = true;
}
