#include "operations/UnitService.h"

#include "app/UnitMain.h"
#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/Errors.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"
#include "operations/Registration.h"
#include "operations/UnitReportService.h"
#include "operations/UnitSelectAcount.h"

#include <QGridLayout>
#include <QHBoxLayout>

TFormService* FormService = nullptr;

using agency::StrToInt;

namespace {
QString S(const char16_t* text) { return QString::fromUtf16(text); }
QString todayDate() { return FormMain ? FormMain->TodayDate : QString(); }
}  // namespace

TFormService::TFormService(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("FormService"));
    setWindowTitle(S(u"ثبت سرويس هاي آژانس"));
    setFixedSize(490, 330);

    auto edit = [this](TLabeledEdit*& e, const char* name, const char16_t* caption) {
        e = new TLabeledEdit(S(caption), this);
        e->setObjectName(QString::fromLatin1(name));
    };
    edit(EditServiceId, "EditServiceId", u"شماره سرويس");
    edit(EditDriverId, "EditDriverId", u"كد راننده");
    edit(EditDriverName, "EditDriverName", u"نام راننده");
    edit(EditAcountId, "EditAcountId", u"شماره مشترك");
    edit(EditAcountName, "EditAcountName", u"نام مشترك");
    Label1 = new QLabel(S(u"تاريخ"), this);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    MaskEdit1 = new TMaskEdit(this);
    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    Label1->setBuddy(MaskEdit1);
    edit(EditSource, "EditSource", u"مبدا");
    edit(EditTarget, "EditTarget", u"مقصد");
    edit(EditMoney, "EditMoney", u"مبلغ دريافتي");
    BitBtn1 = new TBitBtn(S(u"ثبت"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new TBitBtn(S(u"ويرايش"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->hide();

    EditServiceId->setReadOnly(true);
    for (TLabeledEdit* e : {EditDriverId, EditAcountId, EditMoney})
        e->setDigitsOnlyAscii(true);
    EditMoney->setText(QStringLiteral("0"));

    // Right to left: column 0 stands at the right, so each caption is right of its edit.
    auto* grid = new QGridLayout(this);
    grid->addWidget(EditServiceId->EditLabel, 0, 0);
    grid->addWidget(EditServiceId, 0, 1);
    grid->addWidget(EditDriverId->EditLabel, 1, 0);
    grid->addWidget(EditDriverId, 1, 1);
    grid->addWidget(EditDriverName->EditLabel, 1, 2);
    grid->addWidget(EditDriverName, 1, 3);
    grid->addWidget(EditAcountId->EditLabel, 2, 0);
    grid->addWidget(EditAcountId, 2, 1);
    grid->addWidget(EditAcountName->EditLabel, 2, 2);
    grid->addWidget(EditAcountName, 2, 3);
    grid->addWidget(Label1, 3, 0);
    grid->addWidget(MaskEdit1, 3, 1);
    grid->addWidget(EditSource->EditLabel, 4, 0);
    grid->addWidget(EditSource, 4, 1, 1, 3);
    grid->addWidget(EditTarget->EditLabel, 5, 0);
    grid->addWidget(EditTarget, 5, 1, 1, 3);
    grid->addWidget(EditMoney->EditLabel, 6, 0);
    grid->addWidget(EditMoney, 6, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addStretch();
    grid->addLayout(buttons, 7, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);

    QWidget* order[] = {EditServiceId, EditDriverId, EditDriverName, EditAcountId, EditAcountName, MaskEdit1,
                        EditSource,    EditTarget,   EditMoney,      BitBtn1,      BitBtn2};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    m_keys = new KeyChain(this);
    m_keys->onEnter(EditDriverId, [this] { DriverLookup(true); });
    m_keys->onExit(EditDriverId, [this] { DriverLookup(false); });
    m_keys->enterTo(EditDriverName, MaskEdit1);
    m_keys->onEnter(EditAcountId, [this] { AcountLookup(true); });
    m_keys->onExit(EditAcountId, [this] { AcountLookup(false); });
    m_keys->enterTo(EditAcountName, MaskEdit1);
    m_keys->enterTo(MaskEdit1, EditSource);
    m_keys->enterTo(EditSource, EditTarget);
    m_keys->enterTo(EditTarget, EditMoney);
    // Enter goes to the button that is shown, also after the edit button gave way to "ثبت".
    m_keys->onEnter(EditMoney, [this] { SetFocus(BitBtn2->isVisibleTo(this) ? BitBtn2 : BitBtn1); });
    m_keys->onExit(BitBtn2, [this] {
        BitBtn1->setVisible(true);
        BitBtn2->setVisible(false);
    });
    // Another date takes that date's next number: the window shows it before the service is stored.
    connect(MaskEdit1, &QLineEdit::textEdited, this, [this] { guarded([this] { ShowNumberOfDate(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn2Click(); }); });
}

void TFormService::FormShow()
{
    MaskEdit1->SetText(todayDate());
    SetFocus(EditDriverId);
    ClearFields();
}

void TFormService::ClearFields()
{
    for (TLabeledEdit* e : {EditDriverId, EditDriverName, EditAcountId, EditAcountName, EditSource, EditTarget})
        e->clear();
    EditMoney->setText(QStringLiteral("0"));
}

void TFormService::OpenAcountPicker() { FormSelectAcount->Show(); }

void TFormService::DriverLookup(bool byEnter)
{
    ::DriverLookup(EditDriverId, EditDriverName, EditAcountId, 1, byEnter);
}

void TFormService::ShowNumberOfDate()
{
    const QString date = MaskEdit1->Text();
    if (!EditMode && MaskEdit1->IsComplete() && AcceptableDate(date))
        EditServiceId->setText(NextNumberOf(date));
}

void TFormService::AcountLookup(bool byEnter)
{
    if (EditAcountId->text().isEmpty()) {
        OpenAcountPicker();
        if (!byEnter)
            SetFocus(EditAcountId);
        return;
    }
    agency::TADOTable* acounts = DM->ADOTableAcount;
    if (agency::WalkToCode(acounts, QStringLiteral("acount_id"), StrToInt(EditAcountId->text()))) {
        SetFocus(EditTarget);
        EditAcountName->setText(acounts->FieldByName(QStringLiteral("acount_name")).AsString());
        EditSource->setText(acounts->FieldByName(QStringLiteral("acount_add")).AsString());
        return;
    }
    dialogs().ShowMessage(S(u"اين كد وجود ندارد"));
    if (!byEnter)
        SetFocus(EditAcountId);
    OpenAcountPicker();
}

QString TFormService::NextNumberOf(const QString& date)
{
    // The numbering query is borrowed for the other date and handed back on today's.
    agency::TADOQuery* q = DM->QueryMaxS;
    auto restrictTo = [q](const QString& day) {
        q->SQL.Delete(2);
        q->SQL.Add(QStringLiteral("where service_date='") + day + QStringLiteral("'"));
        q->Close();
        q->Open();
    };
    restrictTo(date);
    const qint64 next = qint64(q->FieldByName(QStringLiteral("Expr1000")).AsInteger()) + 1;
    restrictTo(todayDate());
    return QString::number(next);
}

void TFormService::BitBtn1Click()
{
    if (EditMode) {
        // The loaded service must not come back as a second row: its correction is what was meant.
        dialogs().ShowMessage(
            S(u"اين سرويس براي اصلاح باز شده است و دوباره ثبت نمي شود؛ اصلاح با دكمه ويرايش ذخيره مي شود"));
        BitBtn2->setVisible(true);
        SetFocus(BitBtn2);
        BitBtn1->setVisible(false);
        return;
    }
    ServiceInput in;
    if (!ReadInput(in))
        return;
    const QString date = in.date;
    QString number = EditServiceId->text();
    if (date != todayDate()) {
        number = NextNumberOf(date);
        in.serviceId = StrToInt(number);
    }

    try {
        AppendServiceRow([&](agency::TDataset* t) {
            WriteColumns(t, in);
            t->FieldByName(QStringLiteral("Service_time")).SetAsString(agency::SolarDate::LongTime());
            t->FieldByName(QStringLiteral("service_action")).SetAsString(S(u"بابت انجام سرويس بشماره ") + number);
        });
    } catch (...) {
        // Another copy of the program may have taken the number; the next press takes a free one.
        try {
            EditServiceId->setText(NextNumberOf(date));
        } catch (const agency::Error&) {
            // The store's own error is the one to show.
        }
        throw;
    }

    if (dialogs().Confirm(S(u"آيا مايل به چاپ سرويس هستيد ؟"))) {
        agency::TADOTable* payeh = DM->ADOTablePayeh;
        QRService->setTexts(payeh->FieldByName(QStringLiteral("Title")).AsString(),
                            payeh->FieldByName(QStringLiteral("Add")).AsString(),
                            payeh->FieldByName(QStringLiteral("Tel")).AsString(), number, date,
                            agency::SolarDate::LongTime(), EditDriverName->text(), EditSource->text(),
                            EditTarget->text(), EditMoney->text() + S(u" ريال"));
        dialogs().Preview(*QRService);
    }

    SetFocus(EditDriverId);
    for (TLabeledEdit* e : {EditDriverId, EditDriverName, EditAcountId, EditAcountName})
        e->clear();
    MaskEdit1->SetText(todayDate());
    EditSource->clear();
    EditTarget->clear();
    EditMoney->setText(QStringLiteral("0"));
    EditServiceId->setText(NextNumberOf(todayDate()));
}

bool TFormService::ReadInput(ServiceInput& in)
{
    if (EditServiceId->text().isEmpty() || EditSource->text().isEmpty() || EditTarget->text().isEmpty()) {
        dialogs().ShowMessage(S(u"اطلاعات كامل نيست"));
        return false;
    }
    in.date = MaskEdit1->Text();
    if (!AcceptableDate(in.date)) {
        dialogs().ShowMessage(S(u"تاريخ درست نيست"));
        SetFocus(MaskEdit1);
        return false;
    }
    // Every conversion before the row is begun: a bad number stores nothing.
    in.serviceId = StrToInt(EditServiceId->text());
    in.driverId = StrToInt(EditDriverId->text());
    in.acountId = StrToInt(EditAcountId->text());
    in.fare = StrToInt(EditMoney->text());
    in.share = agency::Currency::share(in.fare, DM->ADOTablePayeh->FieldByName(QStringLiteral("percent")).AsInteger());
    return true;
}

void TFormService::WriteColumns(agency::TDataset* t, const ServiceInput& in)
{
    t->FieldByName(QStringLiteral("service_id")).SetAsInteger(in.serviceId);
    t->FieldByName(QStringLiteral("driver_id")).SetAsInteger(in.driverId);
    t->FieldByName(QStringLiteral("acount_id")).SetAsInteger(in.acountId);
    t->FieldByName(QStringLiteral("driver_name")).SetAsString(EditDriverName->text());
    t->FieldByName(QStringLiteral("acount_name")).SetAsString(EditAcountName->text());
    t->FieldByName(QStringLiteral("service_start_add")).SetAsString(EditSource->text());
    t->FieldByName(QStringLiteral("service_target_add")).SetAsString(EditTarget->text());
    t->FieldByName(QStringLiteral("service_moeny")).SetAsInteger(in.fare);
    t->FieldByName(QStringLiteral("service_percent")).SetAsCurrency(in.share);
    t->FieldByName(QStringLiteral("service_date")).SetAsString(in.date);
}

bool TFormService::OpenForCorrection(const QString& serviceDate, const QString& serviceId)
{
    agency::TADOTable* t = DM->ADOTableService;
    if (!t->Locate(QStringLiteral("service_date;service_id"), {serviceDate, serviceId}))
        return false;
    Show();
    EditServiceId->setText(t->FieldByName(QStringLiteral("service_id")).AsString());
    EditDriverId->setText(t->FieldByName(QStringLiteral("driver_id")).AsString());
    EditDriverName->setText(t->FieldByName(QStringLiteral("driver_name")).AsString());
    EditAcountId->setText(t->FieldByName(QStringLiteral("acount_id")).AsString());
    EditAcountName->setText(t->FieldByName(QStringLiteral("acount_name")).AsString());
    EditSource->setText(t->FieldByName(QStringLiteral("service_start_add")).AsString());
    EditTarget->setText(t->FieldByName(QStringLiteral("service_target_add")).AsString());
    EditMoney->setText(t->FieldByName(QStringLiteral("service_moeny")).AsString());
    MaskEdit1->SetText(t->FieldByName(QStringLiteral("service_date")).AsString());
    m_correctedRow = t->FieldByName(QStringLiteral("id")).AsString();
    EditMode = true;
    BitBtn2->setVisible(true);
    BitBtn1->setVisible(false);
    SetFocus(EditMoney);
    return true;
}

void TFormService::BitBtn2Click()
{
    if (!EditMode)
        return;
    ServiceInput in;
    if (!ReadInput(in))
        return;

    // Other windows append to the service table meanwhile; the row to rewrite is the one loaded.
    if (!RewriteServiceRow(m_correctedRow, S(u"اين سرويس ديگر در بانك اطلاعات نيست"), [&](agency::TDataset* t) {
            WriteColumns(t, in);
            t->FieldByName(QStringLiteral("service_action"))
                .SetAsString(S(u"انجام سرويس شماره ") + EditServiceId->text());
        }))
        return;

    ClearFields();
    close();
    DM->QueryViewService->Close();
    DM->QueryViewService->Open();
}
