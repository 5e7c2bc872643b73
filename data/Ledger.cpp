#include "data/Ledger.h"

#include "data/Database.h"
#include "data/SolarDate.h"
#include "data/UnitDM.h"

#include <QRandomGenerator>
#include <QThread>

#include <functional>
#include <limits>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

// A refused store whose number another desk took meanwhile is tried again with the next one, as
// long as the numbers move (bounded all the same); a refusal for another reason ends at the first.
constexpr int kAttempts = 50;

qint32 nextAfter(Database& db, const QString& sql, const QString& date = QString())
{
    Statement st(db.writer(), sql);
    if (!date.isNull()) st.bind(1, date);
    st.step();
    const qint64 next = st.columnInt(0) + 1;
    if (next > std::numeric_limits<qint32>::max()) throw Error(u"شماره بعدي از حد مجاز بيشتر است"_s);
    return qint32(next);
}

void writeService(TDataset* t, const ServiceInput& in, qint32 serviceId, Currency share)
{
    t->FieldByName(u"service_id"_s).SetAsInteger(serviceId);
    t->FieldByName(u"driver_id"_s).SetAsInteger(in.driverId);
    t->FieldByName(u"acount_id"_s).SetAsInteger(in.acountId);
    t->FieldByName(u"driver_name"_s).SetAsString(in.driverName);
    t->FieldByName(u"acount_name"_s).SetAsString(in.acountName);
    t->FieldByName(u"service_start_add"_s).SetAsString(in.source);
    t->FieldByName(u"service_target_add"_s).SetAsString(in.target);
    t->FieldByName(u"service_moeny"_s).SetAsInteger(in.fare);
    t->FieldByName(u"service_percent"_s).SetAsCurrency(share);
    t->FieldByName(u"service_date"_s).SetAsString(in.date);
}

void writePayment(TDataset* t, const PaymentInput& in, qint32 number)
{
    t->FieldByName(u"driver_bes_no"_s).SetAsInteger(number);
    t->FieldByName(u"driver_id"_s).SetAsInteger(in.driverId);
    t->FieldByName(u"driver_name"_s).SetAsString(in.driverName);
    t->FieldByName(u"driver_bes"_s).SetAsInteger(in.amount);
    t->FieldByName(u"service_date"_s).SetAsString(in.date);
}

template <typename Input>
void require(const Input& in)
{
    const InputFault fault = Ledger::Check(in);
    if (fault != InputFault::None) throw Error(Ledger::FaultText(fault));
}

// Appends a row under the next free number: write sets its columns for a number, next gives the
// number free now. A store refused while the number stayed free is not a taken number: raised.
Stored appendNumbered(TDataset* t, const std::function<qint32()>& next, const std::function<void(const Stored&)>& write)
{
    Stored s{0, SolarDate::LongTime()};
    for (int attempt = 1;; ++attempt) {
        s.number = next();
        try {
            t->Append();
            t->WriteAndPost([&] { write(s); });
            return s;
        } catch (const Error& e) {
            // Only a refusal of the number itself, while the numbers moved on, is another desk's.
            if (e.code() != SQLITE_CONSTRAINT_UNIQUE || attempt == kAttempts || next() == s.number) throw;
            // A desk that lost to a faster one would lose again in step with it: it waits a moment.
            QThread::msleep(QRandomGenerator::global()->bounded(1u, 2u + 2u * unsigned(attempt)));
        }
    }
}

// Edits the stored row with that id through write; false when it is gone.
bool rewrite(TDataset* t, qint64 rowId, const std::function<void()>& write)
{
    if (!LocateStored(t, u"id"_s, {rowId})) return false;
    t->Edit();
    t->WriteAndPost(write);
    return true;
}

}  // namespace

InputFault Ledger::Check(const ServiceInput& in)
{
    if (in.source.isEmpty() || in.target.isEmpty()) return InputFault::Incomplete;
    return SolarDate::isStrictDate(in.date) ? InputFault::None : InputFault::BadDate;
}

InputFault Ledger::Check(const PaymentInput& in)
{
    if (in.driverName.isEmpty()) return InputFault::Incomplete;
    return SolarDate::isStrictDate(in.date) ? InputFault::None : InputFault::BadDate;
}

QString Ledger::FaultText(InputFault fault)
{
    switch (fault) {
        case InputFault::Incomplete:
            return u"اطلاعات كامل نيست"_s;
        case InputFault::BadDate:
            return u"تاريخ درست نيست"_s;
        case InputFault::None:
            break;
    }
    return QString();
}

QString Ledger::PaymentDescription(qint32 number)
{
    return u"بابت پرداخت وجه به شماره  "_s + QString::number(number);
}

qint32 Ledger::NextServiceNumber(const QString& date) const
{
    return nextAfter(*m_dm.ADOConnection1, u"select max(service_id) from service where service_date=?"_s, date);
}

qint32 Ledger::NextPaymentNumber() const
{
    return nextAfter(*m_dm.ADOConnection1, u"select max(driver_bes_no) from service"_s);
}

Currency Ledger::ShareOf(qint32 fare) const
{
    return Currency::share(fare, m_dm.ADOTablePayeh->FieldByName(u"percent"_s).AsInteger());
}

Currency Ledger::DebtLimitOf(const QString& text)
{
    const auto refuse = [] { throw Error(u"سقف بدهي راننده بايد عددي صفر يا بيشتر باشد"_s); };
    if (text.isEmpty()) return Currency();
    Currency limit;
    try {
        limit = Currency::parse(text);
    } catch (const Error&) {
        refuse();
    }
    if (limit < Currency()) refuse();
    return limit;
}

namespace {

// A driver's debt over the kept balances, one row for each form of his name: the balances' own
// difference, a sum that no row holds counting as nothing.
const QString kDebt = u"coalesce(sum(service_percent), 0) - coalesce(sum(driver_bes), 0)"_s;

}  // namespace

Debt Ledger::DebtOf(qint32 driverId) const
{
    Statement st(m_dm.ADOConnection1->writer(), u"select %1 from driver_balance where driver_id=?"_s.arg(kDebt));
    st.bind(1, driverId);
    st.step();
    return {Currency::fromUnits(st.columnInt(0)), DebtLimit()};
}

QSet<qint32> Ledger::DriversOverLimit() const
{
    QSet<qint32> over;
    const Currency limit = DebtLimit();
    if (limit <= Currency()) return over;
    Statement st(m_dm.ADOConnection1->writer(),
                 u"select driver_id from driver_balance group by driver_id having %1 > ?"_s.arg(kDebt));
    st.bind(1, limit.units());
    while (st.step()) over.insert(qint32(st.columnInt(0)));
    return over;
}

Currency Ledger::DebtLimit() const
{
    return m_dm.ADOTablePayeh->FieldByName(u"debt_limit"_s).AsCurrency();
}

Stored Ledger::store(const QString& input, const std::function<qint32()>& next,
                     const std::function<void(const Stored&)>& write)
{
    try {
        if (m_unanswered) {
            const CommitOutcome outcome = m_dm.ADOConnection1->writer()->resolveUnanswered();
            const Unanswered was = *std::exchange(m_unanswered, std::nullopt);
            if (outcome == CommitOutcome::Committed && was.input == input) return was.stored;
        }
        Stored taken;
        try {
            return appendNumbered(m_dm.ADOTableService, next, [&](const Stored& s) {
                taken = s;
                write(s);
            });
        } catch (const Error& e) {
            if (e.code() == kCommitUnknown) m_unanswered = Unanswered{input, taken};
            throw;
        }
    } catch (const Error& e) {
        throw asStoreFailure(e);
    }
}

Stored Ledger::StoreService(const ServiceInput& in)
{
    require(in);
    const Currency share = ShareOf(in.fare);
    TDataset* t = m_dm.ADOTableService;
    const QString input = QStringList{u"service"_s, in.date, QString::number(in.driverId), QString::number(in.acountId),
                                      QString::number(in.fare), in.driverName, in.acountName, in.source, in.target}
                              .join(u'\n');
    return store(
        input, [&] { return NextServiceNumber(in.date); },
        [&](const Stored& s) {
            writeService(t, in, s.number, share);
            t->FieldByName(u"Service_time"_s).SetAsString(s.time);
            t->FieldByName(u"service_action"_s).SetAsString(u"بابت انجام سرويس بشماره "_s + QString::number(s.number));
        });
}

Stored Ledger::StorePayment(const PaymentInput& in)
{
    require(in);
    TDataset* t = m_dm.ADOTableService;
    const QString input =
        QStringList{u"payment"_s, in.date, QString::number(in.driverId), QString::number(in.amount), in.driverName}
            .join(u'\n');
    return store(
        input, [&] { return NextPaymentNumber(); },
        [&](const Stored& s) {
            writePayment(t, in, s.number);
            t->FieldByName(u"service_action"_s).SetAsString(PaymentDescription(s.number));
        });
}

bool Ledger::CorrectService(qint64 rowId, qint32 serviceId, const ServiceInput& in)
{
    require(in);
    const Currency share = ShareOf(in.fare);
    TDataset* t = m_dm.ADOTableService;
    return rewrite(t, rowId, [&] {
        writeService(t, in, serviceId, share);
        t->FieldByName(u"service_action"_s).SetAsString(u"انجام سرويس شماره "_s + QString::number(serviceId));
    });
}

bool Ledger::CorrectPayment(qint64 rowId, qint32 number, const PaymentInput& in)
{
    require(in);
    TDataset* t = m_dm.ADOTableService;
    // The description keeps the wording and number it was recorded with.
    return rewrite(t, rowId, [&] { writePayment(t, in, number); });
}

}  // namespace agency
