#include "reports/UnitAmar.h"

#include "controls/Dialogs.h"
#include "controls/Export.h"
#include "controls/Keys.h"
#include "data/Session.h"
#include "data/SqlSubset.h"
#include "data/UnitDM.h"

#include <QGridLayout>

using namespace Qt::StringLiterals;

TFormAmar* FormAmar = nullptr;

TFormAmar::TFormAmar(QWidget* parent) : TForm(parent)
{
    Frame(u"FormAmar"_s, u"آمار"_s, {520, 230});
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);

    MakeDateRange(this, Label5, MaskEdit1, Label6, MaskEdit2);
    auto total = [this](QLabel*& label, TDBText*& value, const QString& caption, const QString& field) {
        label = new QLabel(caption, this);
        value = new TDBText(this);
        value->SetField(&DM->DSAmar, field);
    };
    total(Label1, DBText1, u"مجموع مبالغ دريافتي رانندگان از سرويسها"_s, u"SumOfservice_moeny"_s);
    total(Label2, DBText2, u"مجموع سهم آژانس از سرويسها"_s, u"SumOfservice_percent"_s);
    total(Label4, DBText4, u"كل پرداختي رانندگان"_s, u"AvgOfdriver_bes"_s);
    total(Label3, DBText3, u"ميانگين دريافت رانندگان بابت يك سرويس"_s, u"AvgOfservice_moeny"_s);
    Label3->hide();
    DBText3->hide();

    // Right to left: each caption at the right, its value to its left.
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label5, 0, 0);
    grid->addWidget(MaskEdit1, 0, 1);
    grid->addWidget(Label6, 0, 2);
    grid->addWidget(MaskEdit2, 0, 3);
    int row = 1;
    for (auto [label, value] : {std::pair{Label1, DBText1}, {Label2, DBText2}, {Label4, DBText4}}) {
        grid->addWidget(label, row, 0, 1, 3);
        grid->addWidget(value, row++, 3);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    setTabOrder(MaskEdit1, MaskEdit2);
    // Neither date can be left, by any means, before its day digits are there.
    for (TMaskEdit* date : {MaskEdit1, MaskEdit2}) date->InvalidMessage = u"مقدار وارد شده كامل نيست"_s;

    m_keys = new KeyChain(this);
    m_keys->onEnter(MaskEdit1, [this] { MaskEdit1KeyPress(); });
    m_keys->onEnter(MaskEdit2, [this] { MaskEdit2KeyPress(); });
    InstallExportKey(this, [this] { ExportDialog(this, {}, [this] { return Sheet(); }); });
}

TExportSheet TFormAmar::Sheet() const
{
    TExportSheet t;
    t.caption = windowTitle();
    t.filter = m_filter;
    QStringList values;
    for (auto [label, value] : {std::pair{Label1, DBText1}, {Label2, DBText2}, {Label4, DBText4}}) {
        t.titles << label->text();
        t.widths << 1;
        values << value->text();
    }
    t.rows = [values](const std::function<void(const QStringList&)>& use) { use(values); };
    t.font = font();
    return t;
}

void TFormAmar::FormShow()
{
    // The totals stay those of the last run until a new range is asked for.
    const QString today = agency::session().todayDate;
    MaskEdit1->SetText(today);
    MaskEdit2->SetText(today);
    SetFocus(MaskEdit1);
}

void TFormAmar::MaskEdit1KeyPress()
{
    SetFocus(MaskEdit2);
}

void TFormAmar::MaskEdit2KeyPress()
{
    agency::TADOQuery* q = DM->QueryAmar;
    q->SQL.Clear();
    q->SQL.Add(
        u"SELECT Sum(service.service_moeny) AS SumOfservice_moeny, Sum(service.service_percent) AS "
        u"SumOfservice_percent, Avg(service.service_moeny) AS AvgOfservice_moeny, sum(service.driver_bes) AS "
        u"AvgOfdriver_bes"_s);
    q->SQL.Add(u"from service"_s);
    q->SQL.Add(u"where (service_date>="_s + agency::textLiteral(MaskEdit1->Text()) + u") and (service_date<="_s +
               agency::textLiteral(MaskEdit2->Text()) + u")"_s);
    // A text the dialect refuses ends here, with the previous totals still shown.
    agency::parseSelect(q->SQL.Text());
    q->Close();
    q->Open();
    m_filter = {{Label5->text(), MaskEdit1->Text()}, {Label6->text(), MaskEdit2->Text()}};
}
