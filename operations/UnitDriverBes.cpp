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

#include <limits>

using namespace Qt::StringLiterals;

TFormDriverBes* FormDriverBes = nullptr;

using agency::StrToInt;

namespace {

// The highest payment number stored, by any copy of the program, plus one.
qint64 nextPaymentNumber()
{
    DM->QueryMaxD->Close();
    DM->QueryMaxD->Open();
    return qint64(DM->QueryMaxD->FieldByName(u"Expr1000"_s).AsInteger()) + 1;
}
}  // namespace

TFormDriverBes::TFormDriverBes(QWidget* parent) : TForm(parent)
{
    setObjectName(u"FormDriverBes"_s);
    setWindowTitle(u"ثبت پرداختهاي رانندگان"_s);
    setFixedSize(440, 200);

    EditServiceId = new TLabeledEdit(u"شماره سرويس"_s, u"EditServiceId"_s, this);
    MakeDateField(this, Label1, MaskEdit1, u"تاريخ"_s, u"MaskEdit1"_s);
    EditDriverId = new TLabeledEdit(u"كد راننده"_s, u"EditDriverId"_s, this);
    EditDriverName = new TLabeledEdit(u"نام راننده"_s, u"EditDriverName"_s, this);
    EditMoney = new TLabeledEdit(u"مبلغ دريافتي"_s, u"EditMoney"_s, this);
    BitBtn1 = new TBitBtn(u"ثبت"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn2 = new TBitBtn(u"ويرايش"_s, this);
    BitBtn2->setObjectName(u"BitBtn2"_s);
    BitBtn2->hide();

    EditServiceId->setReadOnly(true);
    for (TLabeledEdit* e : {EditDriverId, EditMoney})
        e->setDigitsOnlyAscii(true);
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
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

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

bool TFormDriverBes::ReadInput(PaymentInput& in)
{
    if (EditServiceId->text().isEmpty() || EditDriverId->text().isEmpty() || EditDriverName->text().isEmpty()) {
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
    in.number = StrToInt(EditServiceId->text());
    in.driverId = StrToInt(EditDriverId->text());
    in.amount = StrToInt(EditMoney->text());
    return true;
}

void TFormDriverBes::WriteColumns(agency::TDataset* t, const PaymentInput& in)
{
    t->FieldByName(u"driver_bes_no"_s).SetAsInteger(in.number);
    t->FieldByName(u"driver_id"_s).SetAsInteger(in.driverId);
    t->FieldByName(u"driver_name"_s).SetAsString(EditDriverName->text());
    t->FieldByName(u"driver_bes"_s).SetAsInteger(in.amount);
    t->FieldByName(u"service_date"_s).SetAsString(in.date);
}

void TFormDriverBes::BitBtn1Click()
{
    PaymentInput in;
    if (!ReadInput(in))
        return;
    // The number was proposed without asking the table again; another copy of the program on the
    // same file may have stored it meanwhile. The payment then takes the next free number.
    for (int attempt = 1;; ++attempt) {
        try {
            AppendServiceRow([&](agency::TDataset* t) {
                WriteColumns(t, in);
                t->FieldByName(u"service_action"_s)
                    .SetAsString(u"بابت پرداخت وجه به شماره  "_s + QString::number(in.number));
            });
            break;
        } catch (const agency::Error&) {
            const qint64 free = nextPaymentNumber();
            if (free <= in.number || free > std::numeric_limits<qint32>::max() || attempt == 3)
                throw;
            in.number = qint32(free);
        }
    }
    const QString number = QString::number(in.number);
    EditServiceId->setText(number);

    if (dialogs().Confirm(u"آيا مايل به چاپ پرداخت هستيد ؟"_s)) {
        QRPay->setTexts(DM->ADOTablePayeh->FieldByName(u"Title"_s).AsString(), number, in.date,
                        EditDriverName->text(), EditMoney->text() + u" ريال"_s);
        dialogs().Preview(*QRPay);
    }

    EditServiceId->setText(QString::number(qint64(in.number) + 1));
    SetFocus(EditDriverId);
    ClearFields();
}

bool TFormDriverBes::OpenForCorrection(const QString& serviceDate, const QString& driverBesNo)
{
    agency::TADOTable* t = DM->ADOTableService;
    if (!t->Locate(u"service_date;driver_bes_no"_s, {serviceDate, driverBesNo}))
        return false;
    Show();
    m_correctedRow = LoadServiceRow({{EditServiceId, u"driver_bes_no"_s},
                                     {EditDriverId, u"driver_id"_s},
                                     {EditDriverName, u"driver_name"_s},
                                     {EditMoney, u"driver_bes"_s}},
                                    MaskEdit1);
    EditMode = true;
    BitBtn2->setVisible(true);
    BitBtn1->setVisible(false);
    SetFocus(EditMoney);
    return true;
}

void TFormDriverBes::BitBtn2Click()
{
    if (!EditMode)
        return;
    PaymentInput in;
    if (!ReadInput(in))
        return;
    // The description keeps the wording and number it was recorded with.
    if (!RewriteServiceRow(m_correctedRow, u"اين پرداخت ديگر در بانك اطلاعات نيست"_s,
                           [&](agency::TDataset* t) { WriteColumns(t, in); }))
        return;
    ClearFields();
    close();
}
