#include "bench/SampleData.h"

#include "data/Currency.h"
#include "data/Database.h"
#include "data/SolarDate.h"
#include "data/Totals.h"

#include <QDate>
#include <QRandomGenerator>
#include <QSet>

using namespace Qt::StringLiterals;

namespace agency {

// Sample services spread over the days before today, with a payment for every tenth.
void generateSample(const QString& path, int services, int drivers, int subscribers, int days)
{
    Database db(path);
    Connection* w = db.writer();
    const bool file = db.engine() == Engine::File;
    QRandomGenerator rng(20261208);
    if (file) exec(w, u"PRAGMA cache_size=-262144"_s);  // a quarter of a gigabyte while the indexes are built
    Transaction tx(w);
    // The indexes and triggers over service are set aside while the rows go in, then built once
    // from the sorted rows; the kept totals are then computed from the rows, as the triggers keep them.
    QStringList indexes, drops;
    if (!file) {
        exec(w, u"SET LOCAL maintenance_work_mem = '512MB'"_s);
        drops << u"ALTER TABLE service DISABLE TRIGGER USER"_s;
        indexes << u"ALTER TABLE service ENABLE TRIGGER USER"_s;
        Statement st(w, u"SELECT i.relname, pg_get_indexdef(i.oid) FROM pg_index x JOIN pg_class i ON i.oid = "
                        "x.indexrelid WHERE x.indrelid = 'service'::regclass AND NOT x.indisprimary"_s);
        while (st.step()) {
            drops << u"DROP INDEX \"%1\""_s.arg(st.column(0).toString());
            indexes << st.column(1).toString();
        }
    } else {
        Statement st(w,
                     u"SELECT type, name, sql FROM sqlite_master WHERE tbl_name = 'service' AND type IN "
                     "('index', 'trigger') AND sql IS NOT NULL"_s);
        while (st.step()) {
            drops << u"DROP %1 \"%2\""_s.arg(st.column(0).toString(), st.column(1).toString());
            if (st.column(0).toString() == u"index"_s) indexes << st.column(2).toString();
        }
    }
    for (const QString& sql : drops) exec(w, sql);
    // Drivers and subscribers a database already has are kept as they are.
    const auto missing = [w](const QString& table, const QString& key, int count) {
        QSet<qint64> held;
        Statement st(w, u"SELECT %1 FROM %2"_s.arg(key, table));
        while (st.step()) held.insert(st.columnInt(0));
        QList<int> out;
        for (int i = 1; i <= count; ++i)
            if (!held.contains(i)) out << i;
        return out;
    };
    {
        // Read before a load begins: a server's connection does nothing else while rows stream in.
        const QList<int> newDrivers = missing(u"driver"_s, u"driver_id"_s, drivers),
                         newSubscribers = missing(u"acount"_s, u"acount_id"_s, subscribers);
        const auto d = w->load(u"driver"_s, {u"driver_id"_s, u"driver_name"_s, u"driver_add"_s, u"driver_tel"_s,
                                             u"driver_auto"_s});
        for (int i : newDrivers)
            d->add({i, u"راننده "_s + QString::number(i), u"خيابان "_s + QString::number(i % 50),
                    u"0912%1"_s.arg(i, 7, 10, QChar(u'0')), u"پرايد"_s});
        d->finish();
        const auto a = w->load(u"acount"_s, {u"acount_id"_s, u"acount_name"_s, u"acount_add"_s, u"acount_tel"_s});
        for (int i : newSubscribers)
            a->add({i, u"مشترك "_s + QString::number(i), u"كوچه "_s + QString::number(i % 300),
                    u"021%1"_s.arg(i, 8, 10, QChar(u'0'))});
        a->finish();
    }
    const auto s = w->load(u"service"_s, {u"service_id"_s, u"driver_id"_s, u"driver_name"_s, u"acount_id"_s,
                                          u"acount_name"_s, u"service_date"_s, u"service_start_add"_s,
                                          u"service_target_add"_s, u"service_action"_s, u"service_moeny"_s,
                                          u"service_percent"_s, u"Service_time"_s, u"driver_bes"_s,
                                          u"driver_bes_no"_s});
    // A payment is a row of the same table, its service's columns as their defaults leave them.
    const QVariant none;
    const QDate today = SolarDate::now().date();
    const int perDay = qMax(1, services / qMax(1, days));
    int payment = 0;
    int dateOf = -1;
    QString date;
    for (int i = 0; i < services; ++i) {
        const int day = i / perDay;
        if (day != dateOf) {
            dateOf = day;
            date = SolarDate::fromGregorian(today.addDays(-(days - day)));
        }
        const int number = i % perDay + 1;
        const int driver = 1 + int(rng.bounded(drivers));
        const int acount = 1 + int(rng.bounded(subscribers));
        const int fare = 5000 * (1 + int(rng.bounded(20)));
        s->add({number, driver, u"راننده "_s + QString::number(driver), acount, u"مشترك "_s + QString::number(acount),
                date, u"كوچه "_s + QString::number(acount % 300), u"ميدان "_s + QString::number(i % 40),
                u"بابت انجام سرويس بشماره "_s + QString::number(number), Currency::fromInteger(fare).units(),
                Currency::share(fare, 15).units(), u"10:00:00"_s, 0, 0});
        if (i % 10 == 9) {
            ++payment;
            s->add({0, driver, u"راننده "_s + QString::number(driver), 0, none, date, none, none,
                    u"بابت پرداخت وجه به شماره  "_s + QString::number(payment), 0, 0, none,
                    Currency::fromInteger(10000).units(), payment});
        }
    }
    s->finish();
    for (const QString& sql : indexes) exec(w, sql);
    if (file)
        for (const QString& sql : keptTotalsSchema(Engine::File)) exec(w, sql);
    else
        refillTotals(w);
    tx.commit();
}

}  // namespace agency
