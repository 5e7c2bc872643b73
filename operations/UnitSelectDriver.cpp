#include "operations/UnitSelectDriver.h"

#include "baseinfo/UnitNewDriver.h"
#include "controls/Keys.h"
#include "data/UnitDM.h"

using namespace Qt::StringLiterals;

TFormSelectDriver* FormSelectDriver = nullptr;

namespace {

struct Registered {
    QPointer<QObject> context;
    TFormSelectDriver::Receiver receiver;
};

QHash<int, Registered>& registeredReceivers()
{
    static QHash<int, Registered> all;
    return all;
}

}  // namespace

void TFormSelectDriver::Register(int caller, QObject* context, Receiver receiver)
{
    registeredReceivers().insert(caller, {context, std::move(receiver)});
}

TFormSelectDriver::TFormSelectDriver(QWidget* parent)
    : TPicker({u"FormSelectDriver"_s, u"انتخاب راننده"_s, {365, 446}}, &DM->DSDriver,
              {{u"driver_id"_s, u"كد راننده"_s, 80}, {u"driver_name"_s, u"نام راننده"_s, 0}},
              {u"جستجوي نام راننده"_s, u"driver"_s, u"driver_name"_s, u"EditDriverName"_s}, parent),
      EditDriverName(m_search)
{
}

void TFormSelectDriver::DBGrid1KeyPress()
{
    agency::TADOQuery* q = DM->QueryDriver;
    // An empty list has nobody to hand back: the opener's fields stay as they are.
    if (!q->Active() || q->IsEmpty() || q->RecNo() < 0) return;
    const QString id = q->FieldByName(u"driver_id"_s).AsString();
    const QString name = q->FieldByName(u"driver_name"_s).AsString();
    const Registered r = registeredReceivers().value(Caller);
    if (r.context && r.receiver) r.receiver(id, name);
    close();
}

void TFormSelectDriver::BitBtn1Click()
{
    FormNewDriver->Prepare(HighestCode(DM->ADOTableDriver, u"driver_id"_s) + 1);
}
