#include "operations/UnitService.h"

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/Errors.h"
#include "data/Phone.h"
#include "data/Session.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"
#include "operations/Registration.h"
#include "operations/UnitLastServices.h"
#include "operations/UnitReportService.h"
#include "operations/UnitSelectAcount.h"
#include "operations/UnitSelectDriver.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>

using namespace Qt::StringLiterals;

TFormService* FormService = nullptr;

using agency::StrToInt;

TFormService::TFormService(QWidget* parent) : TRegistrationForm(parent)
{
    Frame(u"FormService"_s, u"ثبت سرويس هاي آژانس"_s, {490, 330});

    EditServiceId = new TLabeledEdit(u"شماره سرويس"_s, u"EditServiceId"_s, this);
    EditDriverId = new TLabeledEdit(u"كد راننده"_s, u"EditDriverId"_s, this);
    EditDriverName = new TLabeledEdit(u"نام راننده"_s, u"EditDriverName"_s, this);
    EditAcountId = new TLabeledEdit(u"شماره مشترك"_s, u"EditAcountId"_s, this);
    EditAcountName = new TLabeledEdit(u"نام مشترك"_s, u"EditAcountName"_s, this);
    MakeDateField(this, Label1, MaskEdit1, u"تاريخ"_s, u"MaskEdit1"_s);
    EditSource = new TLabeledEdit(u"مبدا"_s, u"EditSource"_s, this);
    EditTarget = new TLabeledEdit(u"مقصد"_s, u"EditTarget"_s, this);
    EditMoney = new TLabeledEdit(u"مبلغ دريافتي"_s, u"EditMoney"_s, this);

    EditServiceId->setReadOnly(true);
    for (TLabeledEdit* e : {EditDriverId, EditAcountId, EditMoney}) e->setDigitsOnlyAscii(true);
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
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    TFormSelectDriver::Register(1, this, [this](const QString& id, const QString& name) {
        EditDriverName->setText(name);
        EditDriverId->setText(id);
        ReturnTo(this, EditAcountId);
    });

    LastServices = new TFormLastServices(this);
    // F4 reads the subscriber number as a telephone; Enter there stays the lookup by code.
    EditAcountId->installEventFilter(this);

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
    // Leaving "ويرايش" gives way to "ثبت", but never in correction mode: "ثبت" would refuse there.
    m_keys->onExit(BitBtn2, [this] {
        if (!EditMode) LeaveCorrection();
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

void TFormService::hideEvent(QHideEvent* event)
{
    // The last services belong to the call being taken; they go with the window.
    LastServices->close();
    TRegistrationForm::hideEvent(event);
}

void TFormService::ClearFields()
{
    for (TLabeledEdit* e : {EditDriverId, EditDriverName, EditAcountId, EditAcountName, EditSource, EditTarget})
        e->clear();
    EditMoney->setText(u"0"_s);
}

void TFormService::OpenAcountPicker()
{
    FormSelectAcount->Show();
}

void TFormService::DriverLookup(bool byEnter)
{
    ::DriverLookup(EditDriverId, EditDriverName, EditAcountId, 1, byEnter);
}

bool TFormService::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == EditAcountId && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F4) {
        guarded([this] { CallerNumber(EditAcountId->text()); });
        return true;
    }
    return TRegistrationForm::eventFilter(watched, event);
}

void TFormService::CallerNumber(const QString& number)
{
    if (agency::phoneDigits(number).isEmpty()) {
        dialogs().ShowMessage(u"شماره تلفن را در شماره مشترك بنويسيد و F4 را بزنيد"_s);
        SetFocus(EditAcountId);
        return;
    }
    const QVector<qint32> found = agency::subscribersByPhone(DM->ADOConnection1->writer(), number);
    if (found.isEmpty()) {
        dialogs().ShowMessage(u"مشتركي با اين شماره تلفن نيست"_s);
        SetFocus(EditAcountId);
        return;
    }
    if (found.size() > 1) {
        FormSelectAcount->ShowCodes(found);
        return;
    }
    // Filled as the lookup by code fills it, before the focus leaves the code field.
    EditAcountId->setText(QString::number(found.front()));
    AcountLookup(true);
    // Once the key that asked is done with, so that the list keeps the focus it takes.
    QMetaObject::invokeMethod(
        this, [this] { guarded([this] { ShowLastServices(); }); }, Qt::QueuedConnection);
}

void TFormService::ShowLastServices()
{
    bool ok = false;
    const qint32 id = EditAcountId->text().toInt(&ok);
    if (!ok) return;
    const QVector<agency::PastService> past = agency::lastServices(DM->ADOConnection1->writer(), id);
    if (past.isEmpty()) return;
    LastServices->ShowFor(id, EditAcountName->text(), past, [this](const agency::PastService* chosen) {
        if (chosen) {
            EditSource->setText(chosen->source);
            EditTarget->setText(chosen->target);
            EditMoney->setText(chosen->fare.toString());
        }
        ReturnTo(this, chosen ? static_cast<QWidget*>(EditMoney) : EditTarget);
    });
}

void TFormService::ShowNumberOfDate()
{
    const QString date = MaskEdit1->Text();
    if (!EditMode && agency::SolarDate::isStrictDate(date)) EditServiceId->setText(NextNumberOf(date));
}

void TFormService::AcountLookup(bool byEnter)
{
    if (EditAcountId->text().isEmpty()) {
        OpenAcountPicker();
        if (!byEnter) SetFocus(EditAcountId);
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
    if (!byEnter) SetFocus(EditAcountId);
    OpenAcountPicker();
}

QString TFormService::NextNumberOf(const QString& date)
{
    return QString::number(agency::Ledger(*DM).NextServiceNumber(date));
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
    agency::ServiceInput in;
    if (!ReadInput(in)) return;
    // The number is taken as the service is stored: another desk may have used the one shown.
    const agency::Stored stored = agency::Ledger(*DM).StoreService(in);
    const QString number = QString::number(stored.number);
    EditServiceId->setText(number);
    // A warning, not a refusal: the service is stored whatever it says or meets.
    guarded([&] { WarnOfDebt(in); });

    if (dialogs().Confirm(u"آيا مايل به چاپ سرويس هستيد ؟"_s)) {
        agency::TADOTable* payeh = DM->ADOTablePayeh;
        QRService->setTexts(payeh->FieldByName(u"Title"_s).AsString(), payeh->FieldByName(u"Add"_s).AsString(),
                            payeh->FieldByName(u"Tel"_s).AsString(), number, in.date, agency::SolarDate::LongTime(),
                            in.driverName, in.source, in.target, EditMoney->text() + u" ريال"_s);
        dialogs().Preview(*QRService);
    }

    SetFocus(EditDriverId);
    ClearFields();
    const QString today = agency::session().todayDate;
    MaskEdit1->SetText(today);
    EditServiceId->setText(NextNumberOf(today));
}

void TFormService::WarnOfDebt(const agency::ServiceInput& in)
{
    const agency::Debt debt = agency::Ledger(*DM).DebtOf(in.driverId);
    if (!debt.passed()) return;
    dialogs().ShowMessage(u"بدهي راننده «%1» با اين سرويس %2 ريال است و از سقف بدهي %3 ريال گذشته است"_s.arg(
        in.driverName, debt.balance.toString(), debt.limit.toString()));
}

bool TFormService::ReadInput(agency::ServiceInput& in)
{
    in.date = MaskEdit1->Text();
    in.driverName = EditDriverName->text();
    in.acountName = EditAcountName->text();
    in.source = EditSource->text();
    in.target = EditTarget->text();
    const agency::InputFault fault =
        EditServiceId->text().isEmpty() ? agency::InputFault::Incomplete : agency::Ledger::Check(in);
    if (fault != agency::InputFault::None) {
        dialogs().ShowMessage(agency::Ledger::FaultText(fault));
        if (fault == agency::InputFault::BadDate) SetFocus(MaskEdit1);
        return false;
    }
    // Every conversion before the row is begun: a bad number stores nothing.
    in.driverId = StrToInt(EditDriverId->text());
    in.acountId = StrToInt(EditAcountId->text());
    in.fare = StrToInt(EditMoney->text());
    return true;
}

bool TFormService::OpenForCorrection(const QString& serviceDate, const QString& serviceId)
{
    return OpenStoredRow(u"service_date;service_id"_s, {serviceDate, serviceId},
                         {{EditServiceId, u"service_id"_s},
                          {EditDriverId, u"driver_id"_s},
                          {EditDriverName, u"driver_name"_s},
                          {EditAcountId, u"acount_id"_s},
                          {EditAcountName, u"acount_name"_s},
                          {EditSource, u"service_start_add"_s},
                          {EditTarget, u"service_target_add"_s},
                          {EditMoney, u"service_moeny"_s}},
                         MaskEdit1, EditMoney);
}

void TFormService::BitBtn2Click()
{
    agency::ServiceInput in;
    if (!EditMode || !ReadInput(in)) return;
    // The row rewritten is the one loaded, by its id: other windows move the table meanwhile.
    if (!StoreCorrection([&](qint64 row, qint32 number) { return agency::Ledger(*DM).CorrectService(row, number, in); },
                         u"اين سرويس ديگر در بانك اطلاعات نيست"_s))
        return;
    DM->QueryViewService->Close();
    DM->QueryViewService->Open();
}
