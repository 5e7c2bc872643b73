#include "bench/SampleData.h"

#include "data/Currency.h"
#include "data/Database.h"
#include "data/SolarDate.h"
#include "data/Totals.h"

#include <QDate>
#include <QRandomGenerator>

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
        drops << u"ALTER TABLE service DISABLE TRIGGER USER"_s;
        indexes << u"ALTER TABLE service ENABLE TRIGGER USER"_s;
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
    {
        Statement d(
            w,
            u"INSERT INTO driver (driver_id, driver_name, driver_add, driver_tel, driver_auto) VALUES (?,?,?,?,?) "
            "ON CONFLICT DO NOTHING"_s);
        for (int i = 1; i <= drivers; ++i) {
            d.reset();
            d.bind(1, i);
            d.bind(2, u"راننده "_s + QString::number(i));
            d.bind(3, u"خيابان "_s + QString::number(i % 50));
            d.bind(4, u"0912%1"_s.arg(i, 7, 10, QChar(u'0')));
            d.bind(5, u"پرايد"_s);
            d.step();
        }
        Statement a(
            w, u"INSERT INTO acount (acount_id, acount_name, acount_add, acount_tel) VALUES (?,?,?,?) ON CONFLICT DO NOTHING"_s);
        for (int i = 1; i <= subscribers; ++i) {
            a.reset();
            a.bind(1, i);
            a.bind(2, u"مشترك "_s + QString::number(i));
            a.bind(3, u"كوچه "_s + QString::number(i % 300));
            a.bind(4, u"021%1"_s.arg(i, 8, 10, QChar(u'0')));
            a.step();
        }
    }
    Statement s(w,
                u"INSERT INTO service (service_id, driver_id, driver_name, acount_id, acount_name, service_date, "
                "service_start_add, service_target_add, service_action, service_moeny, service_percent, \"Service_time\") "
                "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"_s);
    Statement p(
        w,
        u"INSERT INTO service (driver_id, driver_name, service_date, service_action, driver_bes, driver_bes_no) "
        "VALUES (?,?,?,?,?,?)"_s);
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
        s.reset();
        s.bind(1, number);
        s.bind(2, driver);
        s.bind(3, u"راننده "_s + QString::number(driver));
        s.bind(4, acount);
        s.bind(5, u"مشترك "_s + QString::number(acount));
        s.bind(6, date);
        s.bind(7, u"كوچه "_s + QString::number(acount % 300));
        s.bind(8, u"ميدان "_s + QString::number(i % 40));
        s.bind(9, u"بابت انجام سرويس بشماره "_s + QString::number(number));
        s.bind(10, Currency::fromInteger(fare).units());
        s.bind(11, Currency::share(fare, 15).units());
        s.bind(12, u"10:00:00"_s);
        s.step();
        if (i % 10 == 9) {
            ++payment;
            p.reset();
            p.bind(1, driver);
            p.bind(2, u"راننده "_s + QString::number(driver));
            p.bind(3, date);
            p.bind(4, u"بابت پرداخت وجه به شماره  "_s + QString::number(payment));
            p.bind(5, Currency::fromInteger(10000).units());
            p.bind(6, payment);
            p.step();
        }
    }
    for (const QString& sql : indexes) exec(w, sql);
    if (file)
        for (const QString& sql : keptTotalsSchema(Engine::File)) exec(w, sql);
    tx.commit();
    if (!file) rebuildTotals(w);
}

}  // namespace agency
