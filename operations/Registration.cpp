#include "operations/Registration.h"

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/Errors.h"
#include "data/UnitDM.h"
#include "operations/UnitSelectDriver.h"

using namespace Qt::StringLiterals;

void DriverLookup(TLabeledEdit* code, TLabeledEdit* name, QWidget* next, int caller, bool byEnter)
{
    if (!code->text().isEmpty()) {
        agency::TADOTable* drivers = DM->ADOTableDriver;
        if (agency::WalkToCode(drivers, u"driver_id"_s, agency::StrToInt(code->text()))) {
            SetFocus(next);
            name->setText(drivers->FieldByName(u"driver_name"_s).AsString());
            return;
        }
        dialogs().ShowMessage(u"اين كد وجود ندارد"_s);
    }
    if (!byEnter) SetFocus(code);
    FormSelectDriver->Show();
    FormSelectDriver->Caller = caller;
}

TRegistrationForm::TRegistrationForm(QWidget* parent) : TForm(parent)
{
    BitBtn1 = new TBitBtn(u"ثبت"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn2 = new TBitBtn(u"ويرايش"_s, this);
    BitBtn2->setObjectName(u"BitBtn2"_s);
    BitBtn2->hide();
}

void TRegistrationForm::LeaveCorrection()
{
    EditMode = false;
    BitBtn1->setVisible(true);
    BitBtn2->setVisible(false);
}

bool TRegistrationForm::OpenStoredRow(const QString& keyFields, const QVariantList& values,
                                      const QList<std::pair<QLineEdit*, QString>>& fields, TMaskEdit* date,
                                      QWidget* focus)
{
    agency::TADOTable* t = DM->ADOTableService;
    if (!agency::LocateStored(t, keyFields, values)) return false;
    Show();
    for (const auto& [edit, column] : fields) edit->setText(t->FieldByName(column).AsString());
    date->SetText(t->FieldByName(u"service_date"_s).AsString());
    m_correctedRow = t->FieldByName(u"id"_s).Value().toLongLong();
    // The second key is the row's number: the service's of its day, or the payment's.
    m_correctedNumber = t->FieldByName(keyFields.section(u';', 1)).AsInteger();
    EditMode = true;
    BitBtn2->setVisible(true);
    BitBtn1->setVisible(false);
    SetFocus(focus);
    return true;
}

bool TRegistrationForm::StoreCorrection(const std::function<bool(qint64, qint32)>& store, const QString& goneMessage)
{
    if (!store(m_correctedRow, m_correctedNumber)) {
        dialogs().ShowMessage(goneMessage);
        return false;
    }
    ClearFields();
    close();
    return true;
}
