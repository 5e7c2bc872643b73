#include "operations/Registration.h"

#include "controls/Dialogs.h"
#include "controls/Edits.h"
#include "controls/Keys.h"
#include "data/Errors.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"
#include "operations/UnitSelectDriver.h"

using namespace Qt::StringLiterals;

namespace {
void openDriverPicker(int caller)
{
    FormSelectDriver->Show();
    FormSelectDriver->Caller = caller;
}
}  // namespace

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
    openDriverPicker(caller);
}

bool AcceptableDate(const QString& date)
{
    return agency::SolarDate::isStrictDate(date);
}

QString LoadServiceRow(const QList<std::pair<QLineEdit*, QString>>& fields, TMaskEdit* date)
{
    agency::TADOTable* t = DM->ADOTableService;
    for (const auto& [edit, column] : fields) edit->setText(t->FieldByName(column).AsString());
    date->SetText(t->FieldByName(u"service_date"_s).AsString());
    return t->FieldByName(u"id"_s).AsString();
}

void AppendServiceRow(const std::function<void(agency::TDataset*)>& write)
{
    agency::TADOTable* t = DM->ADOTableService;
    t->Append();
    t->WriteAndPost([&] { write(t); });
}

bool RewriteServiceRow(const QString& id, const QString& goneMessage,
                       const std::function<void(agency::TDataset*)>& write)
{
    agency::TADOTable* t = DM->ADOTableService;
    if (!t->Locate(u"id"_s, {id})) {
        dialogs().ShowMessage(goneMessage);
        return false;
    }
    t->Edit();
    t->WriteAndPost([&] { write(t); });
    return true;
}
