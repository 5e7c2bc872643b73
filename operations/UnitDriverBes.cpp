#include "operations/UnitDriverBes.h"

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/Errors.h"
#include "data/Session.h"
#include "data/UnitDM.h"
#include "operations/Registration.h"
#include "operations/UnitReportPay.h"
#include "operations/UnitSelectDriver.h"

#include <QGridLayout>
#include <QHBoxLayout>

using namespace Qt::StringLiterals;

TFormDriverBes* FormDriverBes = nullptr;

using agency::StrToInt;

TFormDriverBes::TFormDriverBes(QWidget* parent) : TRegistrationForm(parent)
{
    Frame(u"FormDriverBes"_s, u"ثبت پرداختهاي رانندگان"_s, {440, 200});

    EditServiceId = new TLabeledEdit(u"شماره سرويس"_s, u"EditServiceId"_s, this);
    MakeDateField(this, Label1, MaskEdit1, u"تاريخ"_s, u"MaskEdit1"_s);
    EditDriverId = new TLabeledEdit(u"كد راننده"_s, u"EditDriverId"_s, this);
    EditDriverName = new TLabeledEdit(u"نام راننده"_s, u"EditDriverName"_s, this);
    EditMoney = new TLabeledEdit(u"مبلغ دريافتي"_s, u"EditMoney"_s, this);

    EditServiceId->setReadOnly(true);
    for (TLabeledEdit* e : {EditDriverId, EditMoney}) e->setDigitsOnlyAscii(true);
    EditMoney->setText(u"0"_s);

    // Right to left: column 0 stands at the right, so each caption is right of its edit.
    auto* grid = new QGridLayout(this);
    grid->addWidget(EditServiceId->EditLabel, 0, 0);
    grid->addWidget(EditServiceId, 0, 1);
    grid->addWidget(Label1, 0, 2);
    grid->addWidget(MaskEdit1, 0, 3);
    grid->addWidget(EditDriverId->EditLabel, 1, 0);
    grid->addWidget(EditDriverId, 1, 1);
    grid->addWidget(EditDriverName->EditLabel, 1, 2);
    grid->addWidget(EditDriverName, 1, 3);
    grid->addWidget(EditMoney->EditLabel, 2, 0);
    grid->addWidget(EditMoney, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addStretch();
    grid->addLayout(buttons, 3, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);

    QWidget* order[] = {EditServiceId, MaskEdit1, EditDriverId, EditDriverName, EditMoney, BitBtn1, BitBtn2};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    TFormSelectDriver::Register(2, this, [this](const QString& id, const QString& name) {
        EditDriverName->setText(name);
        EditDriverId->setText(id);
        ReturnTo(this, EditMoney);
    });

    m_keys = new KeyChain(this);
    m_keys->enterTo(MaskEdit1, EditDriverId);
    m_keys->onEnter(EditDriverId, [this] { DriverLookup(EditDriverId, EditDriverName, EditMoney, 2, true); });
    m_keys->onExit(EditDriverId, [this] { DriverLookup(EditDriverId, EditDriverName, EditMoney, 2, false); });
    // Enter in the amount never records by itself: it goes to the button of the mode.
    m_keys->onEnter(EditMoney, [this] { SetFocus(EditMode ? BitBtn2 : BitBtn1); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn2Click(); }); });
}

void TFormDriverBes::FormShow()
{
    SetFocus(MaskEdit1);
    MaskEdit1->SetText(agency::session().todayDate);
    ClearFields();
}

void TFormDriverBes::ClearFields()
{
    EditDriverId->clear();
    EditDriverName->clear();
    EditMoney->setText(u"0"_s);
}

bool TFormDriverBes::ReadInput(agency::PaymentInput& in)
{
    in.date = MaskEdit1->Text();
    in.driverName = EditDriverName->text();
    const agency::InputFault fault = EditServiceId->text().isEmpty() || EditDriverId->text().isEmpty()
                                         ? agency::InputFault::Incomplete
                                         : agency::Ledger::Check(in);
    if (fault != agency::InputFault::None) {
        dialogs().ShowMessage(agency::Ledger::FaultText(fault));
        if (fault == agency::InputFault::BadDate) SetFocus(MaskEdit1);
        return false;
    }
    // Every conversion before the row is begun: a bad number stores nothing.
    in.driverId = StrToInt(EditDriverId->text());
    in.amount = StrToInt(EditMoney->text());
    return true;
}

void TFormDriverBes::BitBtn1Click()
{
    agency::PaymentInput in;
    if (!ReadInput(in)) return;
    // The number is taken as the payment is stored: another desk may have used the one shown.
    const agency::Stored stored = agency::Ledger(*DM).StorePayment(in);
    const QString number = QString::number(stored.number);
    EditServiceId->setText(number);

    if (dialogs().Confirm(u"آيا مايل به چاپ پرداخت هستيد ؟"_s)) {
        QRPay->setTexts(DM->ADOTablePayeh->FieldByName(u"Title"_s).AsString(), number, in.date, in.driverName,
                        EditMoney->text() + u" ريال"_s);
        dialogs().Preview(*QRPay);
    }

    EditServiceId->setText(QString::number(qint64(stored.number) + 1));
    SetFocus(EditDriverId);
    ClearFields();
}

bool TFormDriverBes::OpenForCorrection(const QString& serviceDate, const QString& driverBesNo)
{
    return OpenStoredRow(u"service_date;driver_bes_no"_s, {serviceDate, driverBesNo},
                         {{EditServiceId, u"driver_bes_no"_s},
                          {EditDriverId, u"driver_id"_s},
                          {EditDriverName, u"driver_name"_s},
                          {EditMoney, u"driver_bes"_s}},
                         MaskEdit1, EditMoney);
}

void TFormDriverBes::BitBtn2Click()
{
    agency::PaymentInput in;
    if (!EditMode || !ReadInput(in)) return;
    StoreCorrection([&](qint64 row, qint32 number) { return agency::Ledger(*DM).CorrectPayment(row, number, in); },
                    u"اين پرداخت ديگر در بانك اطلاعات نيست"_s);
}
