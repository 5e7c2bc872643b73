#include "operations/UnitService.h"

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/Errors.h"
#include "data/Session.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"
#include "operations/Registration.h"
#include "operations/UnitReportService.h"
#include "operations/UnitSelectAcount.h"
#include "operations/UnitSelectDriver.h"

#include <QGridLayout>
#include <QHBoxLayout>

using namespace Qt::StringLiterals;

TFormService* FormService = nullptr;

using agency::StrToInt;

TFormService::TFormService(QWidget* parent) : TForm(parent)
{
    setObjectName(u"FormService"_s);
    setWindowTitle(u"ثبت سرويس هاي آژانس"_s);
    setFixedSize(490, 330);

    EditServiceId = new TLabeledEdit(u"شماره سرويس"_s, u"EditServiceId"_s, this);
    EditDriverId = new TLabeledEdit(u"كد راننده"_s, u"EditDriverId"_s, this);
    EditDriverName = new TLabeledEdit(u"نام راننده"_s, u"EditDriverName"_s, this);
    EditAcountId = new TLabeledEdit(u"شماره مشترك"_s, u"EditAcountId"_s, this);
    EditAcountName = new TLabeledEdit(u"نام مشترك"_s, u"EditAcountName"_s, this);
    MakeDateField(this, Label1, MaskEdit1, u"تاريخ"_s, u"MaskEdit1"_s);
    EditSource = new TLabeledEdit(u"مبدا"_s, u"EditSource"_s, this);
    EditTarget = new TLabeledEdit(u"مقصد"_s, u"EditTarget"_s, this);
    EditMoney = new TLabeledEdit(u"مبلغ دريافتي"_s, u"EditMoney"_s, this);
    BitBtn1 = new TBitBtn(u"ثبت"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn2 = new TBitBtn(u"ويرايش"_s, this);
    BitBtn2->setObjectName(u"BitBtn2"_s);
    BitBtn2->hide();

    EditServiceId->setReadOnly(true);
    for (TLabeledEdit* e : {EditDriverId, EditAcountId, EditMoney})
        e->setDigitsOnlyAscii(true);
    EditMoney->setText(u"0"_s);

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

    TFormSelectDriver::Register(1, this, [this](const QString& id, const QString& name) {
        EditDriverName->setText(name);
        EditDriverId->setText(id);
        ReturnTo(this, EditAcountId);
    });

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
    MaskEdit1->SetText(agency::session().todayDate);
    SetFocus(EditDriverId);
    ClearFields();
}

void TFormService::ClearFields()
{
    for (TLabeledEdit* e : {EditDriverId, EditDriverName, EditAcountId, EditAcountName, EditSource, EditTarget})
        e->clear();
    EditMoney->setText(u"0"_s);
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
    if (agency::WalkToCode(acounts, u"acount_id"_s, StrToInt(EditAcountId->text()))) {
        SetFocus(EditTarget);
        EditAcountName->setText(acounts->FieldByName(u"acount_name"_s).AsString());
        EditSource->setText(acounts->FieldByName(u"acount_add"_s).AsString());
        return;
    }
    dialogs().ShowMessage(u"اين كد وجود ندارد"_s);
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
        q->SQL.Add(u"where service_date='"_s + day + u"'"_s);
        q->Close();
        q->Open();
    };
    restrictTo(date);
    const qint64 next = qint64(q->FieldByName(u"Expr1000"_s).AsInteger()) + 1;
    restrictTo(agency::session().todayDate);
    return QString::number(next);
}

void TFormService::BitBtn1Click()
{
    if (EditMode) {
        // The loaded service must not come back as a second row: its correction is what was meant.
        dialogs().ShowMessage(
            u"اين سرويس براي اصلاح باز شده است و دوباره ثبت نمي شود؛ اصلاح با دكمه ويرايش ذخيره مي شود"_s);
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
    if (date != agency::session().todayDate) {
        number = NextNumberOf(date);
        in.serviceId = StrToInt(number);
    }

    try {
        AppendServiceRow([&](agency::TDataset* t) {
            WriteColumns(t, in);
            t->FieldByName(u"Service_time"_s).SetAsString(agency::SolarDate::LongTime());
            t->FieldByName(u"service_action"_s).SetAsString(u"بابت انجام سرويس بشماره "_s + number);
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

    if (dialogs().Confirm(u"آيا مايل به چاپ سرويس هستيد ؟"_s)) {
        agency::TADOTable* payeh = DM->ADOTablePayeh;
        QRService->setTexts(payeh->FieldByName(u"Title"_s).AsString(),
                            payeh->FieldByName(u"Add"_s).AsString(),
                            payeh->FieldByName(u"Tel"_s).AsString(), number, date,
                            agency::SolarDate::LongTime(), EditDriverName->text(), EditSource->text(),
                            EditTarget->text(), EditMoney->text() + u" ريال"_s);
        dialogs().Preview(*QRService);
    }

    SetFocus(EditDriverId);
    for (TLabeledEdit* e : {EditDriverId, EditDriverName, EditAcountId, EditAcountName})
        e->clear();
    MaskEdit1->SetText(agency::session().todayDate);
    EditSource->clear();
    EditTarget->clear();
    EditMoney->setText(u"0"_s);
    EditServiceId->setText(NextNumberOf(agency::session().todayDate));
}

bool TFormService::ReadInput(ServiceInput& in)
{
    if (EditServiceId->text().isEmpty() || EditSource->text().isEmpty() || EditTarget->text().isEmpty()) {
        dialogs().ShowMessage(u"اطلاعات كامل نيست"_s);
        return false;
    }
    in.date = MaskEdit1->Text();
    if (!AcceptableDate(in.date)) {
        dialogs().ShowMessage(u"تاريخ درست نيست"_s);
        SetFocus(MaskEdit1);
        return false;
    }
    // Every conversion before the row is begun: a bad number stores nothing.
    in.serviceId = StrToInt(EditServiceId->text());
    in.driverId = StrToInt(EditDriverId->text());
    in.acountId = StrToInt(EditAcountId->text());
    in.fare = StrToInt(EditMoney->text());
    in.share = agency::Currency::share(in.fare, DM->ADOTablePayeh->FieldByName(u"percent"_s).AsInteger());
    return true;
}

void TFormService::WriteColumns(agency::TDataset* t, const ServiceInput& in)
{
    t->FieldByName(u"service_id"_s).SetAsInteger(in.serviceId);
    t->FieldByName(u"driver_id"_s).SetAsInteger(in.driverId);
    t->FieldByName(u"acount_id"_s).SetAsInteger(in.acountId);
    t->FieldByName(u"driver_name"_s).SetAsString(EditDriverName->text());
    t->FieldByName(u"acount_name"_s).SetAsString(EditAcountName->text());
    t->FieldByName(u"service_start_add"_s).SetAsString(EditSource->text());
    t->FieldByName(u"service_target_add"_s).SetAsString(EditTarget->text());
    t->FieldByName(u"service_moeny"_s).SetAsInteger(in.fare);
    t->FieldByName(u"service_percent"_s).SetAsCurrency(in.share);
    t->FieldByName(u"service_date"_s).SetAsString(in.date);
}

bool TFormService::OpenForCorrection(const QString& serviceDate, const QString& serviceId)
{
    agency::TADOTable* t = DM->ADOTableService;
    if (!t->Locate(u"service_date;service_id"_s, {serviceDate, serviceId}))
        return false;
    Show();
    m_correctedRow = LoadServiceRow({{EditServiceId, u"service_id"_s},
                                     {EditDriverId, u"driver_id"_s},
                                     {EditDriverName, u"driver_name"_s},
                                     {EditAcountId, u"acount_id"_s},
                                     {EditAcountName, u"acount_name"_s},
                                     {EditSource, u"service_start_add"_s},
                                     {EditTarget, u"service_target_add"_s},
                                     {EditMoney, u"service_moeny"_s}},
                                    MaskEdit1);
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
    if (!RewriteServiceRow(m_correctedRow, u"اين سرويس ديگر در بانك اطلاعات نيست"_s, [&](agency::TDataset* t) {
            WriteColumns(t, in);
            t->FieldByName(u"service_action"_s)
                .SetAsString(u"انجام سرويس شماره "_s + EditServiceId->text());
        }))
        return;

    ClearFields();
    close();
    DM->QueryViewService->Close();
    DM->QueryViewService->Open();
}
