#include "bench/SampleData.h"

#include "data/Currency.h"
#include "data/Database.h"
#include "data/SolarDate.h"

#include <QDate>
#include <QRandomGenerator>

namespace agency {

// Sample services spread over the days before today, with a payment for every tenth.
void generateSample(const QString& path, int services, int drivers, int subscribers, int days)
{
    Database db(path);
    sqlite3* w = db.writer();
    QRandomGenerator rng(20261208);
    Transaction tx(w);
    {
        Statement d(w, QStringLiteral("INSERT OR IGNORE INTO driver (driver_id, driver_name, driver_add, driver_tel, driver_auto) VALUES (?,?,?,?,?)"));
        for (int i = 1; i <= drivers; ++i) {
            d.reset();
            d.bind(1, i);
            d.bind(2, QString::fromUtf16(u"راننده ") + QString::number(i));
            d.bind(3, QString::fromUtf16(u"خيابان ") + QString::number(i % 50));
            d.bind(4, QStringLiteral("0912%1").arg(i, 7, 10, QLatin1Char('0')));
            d.bind(5, QString::fromUtf16(u"پرايد"));
            d.step();
        }
        Statement a(w, QStringLiteral("INSERT OR IGNORE INTO acount (acount_id, acount_name, acount_add, acount_tel) VALUES (?,?,?,?)"));
        for (int i = 1; i <= subscribers; ++i) {
            a.reset();
            a.bind(1, i);
            a.bind(2, QString::fromUtf16(u"مشترك ") + QString::number(i));
            a.bind(3, QString::fromUtf16(u"كوچه ") + QString::number(i % 300));
            a.bind(4, QStringLiteral("021%1").arg(i, 8, 10, QLatin1Char('0')));
            a.step();
        }
    }
    Statement s(w, QStringLiteral(
        "INSERT INTO service (service_id, driver_id, driver_name, acount_id, acount_name, service_date, "
        "service_start_add, service_target_add, service_action, service_moeny, service_percent, Service_time) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"));
    Statement p(w, QStringLiteral(
        "INSERT INTO service (driver_id, driver_name, service_date, service_action, driver_bes, driver_bes_no) "
        "VALUES (?,?,?,?,?,?)"));
    const QDate today = SolarDate::now().date();
    const int perDay = qMax(1, services / qMax(1, days));
    int payment = 0;
    for (int i = 0; i < services; ++i) {
        const int day = i / perDay;
        const QString date = SolarDate::fromGregorian(today.addDays(-(days - day)));
        const int number = i % perDay + 1;
        const int driver = 1 + int(rng.bounded(drivers));
        const int acount = 1 + int(rng.bounded(subscribers));
        const int fare = 5000 * (1 + int(rng.bounded(20)));
        s.reset();
        s.bind(1, number);
        s.bind(2, driver);
        s.bind(3, QString::fromUtf16(u"راننده ") + QString::number(driver));
        s.bind(4, acount);
        s.bind(5, QString::fromUtf16(u"مشترك ") + QString::number(acount));
        s.bind(6, date);
        s.bind(7, QString::fromUtf16(u"كوچه ") + QString::number(acount % 300));
        s.bind(8, QString::fromUtf16(u"ميدان ") + QString::number(i % 40));
        s.bind(9, QString::fromUtf16(u"بابت انجام سرويس بشماره ") + QString::number(number));
        s.bind(10, Currency::fromInteger(fare).units());
        s.bind(11, Currency::share(fare, 15).units());
        s.bind(12, QStringLiteral("10:00:00"));
        s.step();
        if (i % 10 == 9) {
            ++payment;
            p.reset();
            p.bind(1, driver);
            p.bind(2, QString::fromUtf16(u"راننده ") + QString::number(driver));
            p.bind(3, date);
            p.bind(4, QString::fromUtf16(u"بابت پرداخت وجه به شماره  ") + QString::number(payment));
            p.bind(5, Currency::fromInteger(10000).units());
            p.bind(6, payment);
            p.step();
        }
    }
    tx.commit();
}

}  // namespace agency
