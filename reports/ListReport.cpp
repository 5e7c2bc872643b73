#include "reports/ListReport.h"

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/Session.h"
#include "data/SqlSubset.h"

using namespace Qt::StringLiterals;

TListReport::TListReport(const Kind& kind, QWidget* parent)
    : TForm(parent), m_kind(kind), m_number(kind.columns[0].FieldName)
{
    DBGrid1 = new TDBGrid(this, kind.source, kind.columns);
    EditServiceId = new TLabeledEdit(kind.numberCaption, u"EditServiceId"_s, this);
    EditServiceId->setDigitsOnlyAscii(true);
    MakeDateRange(this, Label5, MaskEdit1, Label6, MaskEdit2);

    m_keys = new KeyChain(this);
    m_keys->onEnter(EditServiceId, [this] { EditServiceIdKeyPress(); });
    m_keys->onEnter(MaskEdit1, [this] { MaskEdit1KeyPress(); });
    m_keys->onEnter(MaskEdit2, [this] { MaskEdit2KeyPress(); });
    connect(DBGrid1, &TDBGrid::Activated, this, [this] { guarded([this] { DBGrid1KeyPress(); }); });
}

void TListReport::FormShow()
{
    const QString today = agency::session().todayDate;
    MaskEdit1->SetText(today);
    MaskEdit2->SetText(today);
}

QString TListReport::Where(const QString& condition) const
{
    return u"where ("_s + m_number + u"<>0) and "_s + condition;
}

void TListReport::Filter(const QString& where, const TFilterText& text)
{
    auto* q = static_cast<agency::TADOQuery*>(m_kind.source->DataSet);
    q->SQL.Clear();
    q->SQL.Add(u"select *"_s);
    q->SQL.Add(u"from service"_s);
    q->SQL.Add(where);
    if (!m_kind.order.isEmpty()) q->SQL.Add(m_kind.order);
    // Set before the query runs: a failed filter leaves an empty list, which this filter made.
    DBGrid1->ExportFilter = text;
    q->Close();
    q->Open();
}

void TListReport::EditServiceIdKeyPress()
{
    const QString typed = EditServiceId->text();
    if (typed.isEmpty()) return;
    // The other kind of row carries the number 0: "0" lists none of them.
    Filter(Where(u"("_s + m_number + u"="_s + agency::numberLiteral(typed) + u")"_s),
           {{EditServiceId->EditLabel->text(), typed}});
}

void TListReport::MaskEdit1KeyPress()
{
    Filter(Where(u"(service_date="_s + agency::textLiteral(MaskEdit1->Text()) + u")"_s),
           {{Label5->text(), MaskEdit1->Text()}});
    SetFocus(MaskEdit2);
}

void TListReport::MaskEdit2KeyPress()
{
    Filter(Where(u"(service_date>="_s + agency::textLiteral(MaskEdit1->Text()) + u") and (service_date<="_s +
                 agency::textLiteral(MaskEdit2->Text()) + u")"_s),
           {{Label5->text(), MaskEdit1->Text()}, {Label6->text(), MaskEdit2->Text()}});
}

void TListReport::DBGrid1KeyPress()
{
    agency::TDataset* q = m_kind.source->DataSet;
    if (!q->Active() || q->RecNo() < 0) return;
    m_kind.correct(q->FieldByName(u"service_date"_s).AsString(), q->FieldByName(m_number).AsString());
}
