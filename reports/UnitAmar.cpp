#include "reports/UnitAmar.h"

#include "controls/Dialogs.h"
#include "controls/Export.h"
#include "controls/Keys.h"
#include "data/Session.h"
#include "data/SqlSubset.h"
#include "data/UnitDM.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QLineSeries>
#include <QPainter>

#include <cmath>

using namespace Qt::StringLiterals;

TFormAmar* FormAmar = nullptr;

namespace {

QString persianDigits(QString text)
{
    for (QChar& c : text)
        if (c >= u'0' && c <= u'9') c = QChar(0x06F0 + (c.unicode() - u'0'));
    return text;
}

// An axis from 0 past top in steps of 1, 2 or 5 times a power of ten, at most five of them,
// labelled in Persian digits (a value axis writes only Latin ones).
QCategoryAxis* valueAxis(double top, const QFont& font)
{
    const double base = std::pow(10.0, std::floor(std::log10(qMax(top, 1.0) / 5)));
    double step = base;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (top / (step = base * m) <= 5) break;
    step = qMax(step, 1.0);
    const int parts = qMax(1, int(std::ceil(top / step)));
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setStartValue(-step);
    for (int i = 0; i <= parts; ++i) axis->append(persianDigits(QString::number(qint64(i * step))), i * step);
    axis->setRange(0, parts * step);
    axis->setLabelsFont(font);
    return axis;
}

}  // namespace

TFormAmar::TFormAmar(QWidget* parent) : TForm(parent)
{
    Frame(u"FormAmar"_s, u"آمار"_s, {760, 600});
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
    ChartView1 = new QChartView(this);
    ChartView1->setRenderHint(QPainter::Antialiasing);
    // The chart is looked at, not worked in: the keys stay with the date fields.
    ChartView1->setFocusPolicy(Qt::NoFocus);
    ChartView1->chart()->legend()->setAlignment(Qt::AlignTop);
    ChartView1->chart()->legend()->setFont(QApplication::font());
    grid->addWidget(ChartView1, row, 0, 1, 4);
    grid->setRowStretch(row, 1);
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
    if (!ChartView1->chart()->series().isEmpty())
        t.picture = [view = ChartView1](QPainter& p, const QRect& r) {
            // A chart drawn just now lays out its axes and legend only when events next run.
            view->chart()->layout()->activate();
            const QRectF source = view->sceneRect();
            view->scene()->render(
                &p, QRectF(r.left(), r.top(), r.width(), r.width() * source.height() / source.width()), source);
        };
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
    DrawChart(agency::dayTotals(DM->ADOConnection1->writer(), MaskEdit1->Text(), MaskEdit2->Text()));
}

void TFormAmar::DrawChart(const QVector<agency::DayTotals>& days)
{
    QChart* chart = ChartView1->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    chart->setTitle(QString());
    if (days.isEmpty()) return;
    const QFont font = QApplication::font();
    const int n = int(days.size());
    // Day i of the range stands at n-1-i: the first day at the right, time running leftwards.
    auto* services = new QBarSet(u"تعداد سرويسها"_s);
    auto* shares = new QLineSeries;
    shares->setName(u"سهم آژانس"_s);
    double mostServices = 0, mostShare = 0;
    for (int at = 0; at < n; ++at) {
        const agency::DayTotals& day = days[n - 1 - at];
        *services << double(day.services);
        const double share = double(day.shares.units()) / agency::Currency::kScale;
        shares->append(at, share);
        mostServices = qMax(mostServices, double(day.services));
        mostShare = qMax(mostShare, share);
    }
    auto* bars = new QBarSeries;
    bars->append(services);
    chart->addSeries(bars);
    chart->addSeries(shares);

    // As many labels as the window's width holds side by side: the first day's, then every few
    // days'. Within one year the year is the title's alone.
    auto* dates = new QCategoryAxis;
    dates->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    dates->setLabelsFont(font);
    const bool oneYear = days.first().date.left(4) == days.last().date.left(4);
    const int room = oneYear ? 12 : 7;
    const int every = (n + room - 1) / room;
    dates->setStartValue(-1);
    for (int at = 0; at < n; ++at)
        if ((n - 1 - at) % every == 0)
            dates->append(persianDigits(oneYear ? days[n - 1 - at].date.mid(5) : days[n - 1 - at].date), at);
    dates->setRange(-0.5, n - 0.5);
    chart->addAxis(dates, Qt::AlignBottom);
    QCategoryAxis* count = valueAxis(mostServices, font);
    QCategoryAxis* money = valueAxis(mostShare, font);
    chart->addAxis(count, Qt::AlignRight);
    chart->addAxis(money, Qt::AlignLeft);
    // Each axis in its series' colour says which it measures.
    count->setLabelsColor(services->color());
    money->setLabelsColor(shares->color());
    bars->attachAxis(dates);
    bars->attachAxis(count);
    shares->attachAxis(dates);
    shares->attachAxis(money);
    chart->setTitleFont(font);
    chart->setTitle(persianDigits(days.first().date + u" تا "_s + days.last().date));
}
