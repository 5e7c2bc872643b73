#include "data/Totals.h"

#include "data/Database.h"
#include "data/Errors.h"
#include "data/ServerDatabase.h"
#include "data/Schema.h"
#include "data/SolarDate.h"

#include <QMap>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

QString q(const QString& name)
{
    return u'"' + name + u'"';
}

QString joined(const QStringList& items, const QString& pattern, const QString& separator = u", "_s)
{
    QStringList out;
    for (const QString& item : items) out << QString(pattern).replace(u"%c"_s, q(item)).replace(u"%n"_s, item);
    return out.join(separator);
}

// The kept row of the service row `row` (NEW or OLD), keys compared as service compares them.
QString keyMatch(const KeptTotals& t, const QString& row, Engine engine)
{
    QStringList out;
    for (const QString& k : t.keys) out << sameValue(q(k), row + u'.' + q(k), engine);
    return out.join(u" AND "_s);
}

// 1 where the row's column holds a value, else 0.
QString counted(const QString& row)
{
    return u"(CASE WHEN "_s + row + u".%c IS NULL THEN 0 ELSE 1 END)"_s;
}

// Two desks adding the first row of a key at once on a server: the second waits for the
// first's row through the unique index and then adds to it.
QString addRow(const KeptTotals& t, const QString& row, Engine engine)
{
    return u"INSERT INTO %1 (%2) SELECT %3 WHERE NOT EXISTS (SELECT 1 FROM %1 WHERE %4)%5; "_s.arg(
               q(t.table), joined(t.keys, u"%c"_s), joined(t.keys, row + u".%c"_s), keyMatch(t, row, engine),
               engine == Engine::Server ? u" ON CONFLICT DO NOTHING"_s : QString()) +
           u"UPDATE %1 SET %2, rows = rows + 1 WHERE %3;"_s.arg(
               q(t.table),
               joined(t.sums, u"%c = CASE WHEN "_s + row + u".%c IS NULL THEN %c ELSE coalesce(%c, 0) + "_s + row +
                                  u".%c END, \"%n_n\" = \"%n_n\" + "_s + counted(row)),
               keyMatch(t, row, engine));
}

QString removeRow(const KeptTotals& t, const QString& row, Engine engine)
{
    return u"UPDATE %1 SET %2, rows = rows - 1 WHERE %3; DELETE FROM %1 WHERE rows = 0 AND %3;"_s.arg(
        q(t.table),
        joined(t.sums, u"%c = CASE WHEN "_s + row + u".%c IS NULL THEN %c WHEN \"%n_n\" = 1 THEN NULL ELSE %c - "_s +
                           row + u".%c END, \"%n_n\" = \"%n_n\" - "_s + counted(row)),
        keyMatch(t, row, engine));
}

// What the service rows give for each kept row, in the kept table's columns.
QString fromRows(const KeptTotals& t)
{
    return u"SELECT %1, %2, %3, count(*) FROM service GROUP BY %1"_s.arg(
        joined(t.keys, u"%c"_s), joined(t.sums, u"sum(%c)"_s), joined(t.sums, u"count(%c)"_s));
}

QString keptColumns(const KeptTotals& t)
{
    return joined(t.keys, u"%c"_s) + u", "_s + joined(t.sums, u"%c"_s) + u", "_s + joined(t.sums, u"\"%n_n\""_s) +
           u", rows"_s;
}

}  // namespace

const QVector<KeptTotals>& keptTotals()
{
    static const QVector<KeptTotals> all = {
        {u"driver_balance"_s, {u"driver_id"_s, u"driver_name"_s}, {u"service_percent"_s, u"driver_bes"_s}},
        {u"day_totals"_s, {u"service_date"_s}, {u"service_moeny"_s, u"service_percent"_s, u"driver_bes"_s}},
    };
    return all;
}

QStringList keptTotalsSchema(Engine engine)
{
    const bool server = engine == Engine::Server;
    const TableDef& service = *findTable(u"service"_s);
    QStringList out;
    for (const KeptTotals& t : keptTotals()) {
        QStringList columns;
        for (const QString& k : t.keys)
            columns << q(k) + (service.columns[service.columnIndex(k)].type == FieldType::Text
                                   ? u" TEXT COLLATE NOCASE"_s
                                   : u" BIGINT"_s);
        columns << joined(t.sums, u"%c BIGINT"_s) << joined(t.sums, u"\"%n_n\" BIGINT NOT NULL DEFAULT 0"_s)
                << u"rows BIGINT NOT NULL DEFAULT 0"_s;
        const QString keys = joined(t.keys, u"%c"_s);
        out << u"CREATE TABLE IF NOT EXISTS %1 (%2)"_s.arg(q(t.table), columns.join(u", "_s))
            << (server ? u"CREATE UNIQUE INDEX %1 ON %2 (%3) NULLS NOT DISTINCT"_s
                       : u"CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)"_s)
                   .arg(q(t.table + u"_key"_s), q(t.table), keys)
            << u"DELETE FROM %1"_s.arg(q(t.table))
            << u"INSERT INTO %1 (%2) %3"_s.arg(q(t.table), keptColumns(t), fromRows(t));
        const QString added = addRow(t, u"NEW"_s, engine), removed = removeRow(t, u"OLD"_s, engine);
        const QString changed = u"AFTER UPDATE OF %1"_s.arg(joined(t.keys + t.sums, u"%c"_s));
        if (server) {
            out << serverTrigger(t.table + u"_insert"_s, u"AFTER INSERT"_s, u"service"_s, added)
                << serverTrigger(t.table + u"_delete"_s, u"AFTER DELETE"_s, u"service"_s, removed)
                << serverTrigger(t.table + u"_update"_s, changed, u"service"_s, removed + u' ' + added);
            continue;
        }
        out << u"CREATE TRIGGER IF NOT EXISTS %1 AFTER INSERT ON service BEGIN %2 END"_s.arg(q(t.table + u"_insert"_s),
                                                                                         added)
            << u"CREATE TRIGGER IF NOT EXISTS %1 AFTER DELETE ON service BEGIN %2 END"_s.arg(q(t.table + u"_delete"_s),
                                                                                         removed)
            << u"CREATE TRIGGER IF NOT EXISTS %1 %2 ON service BEGIN %3 %4 END"_s.arg(q(t.table + u"_update"_s), changed,
                                                                                  removed, added);
    }
    return out;
}

QStringList totalsDifferences(Connection* db)
{
    QStringList out;
    for (const KeptTotals& t : keptTotals()) {
        const QString kept = u"SELECT %1 FROM %2"_s.arg(keptColumns(t), q(t.table));
        const auto list = [&](const QString& sql, const QString& what) {
            Statement st(db, sql);
            while (st.step()) {
                QStringList values;
                for (int c = 0; c < st.columnCount(); ++c) values << st.column(c).toString();
                out << u"%1: %2 (%3)"_s.arg(t.table, what, values.join(u", "_s));
            }
        };
        list(fromRows(t) + u" EXCEPT "_s + kept, u"جمع رديفها با جمع نگه داشته نمي خواند"_s);
        list(kept + u" EXCEPT "_s + fromRows(t), u"جمع نگه داشته با جمع رديفها نمي خواند"_s);
    }
    return out;
}

QVector<DayTotals> dayTotals(Connection* db, const QString& from, const QString& to)
{
    QMap<QString, DayTotals> days;
    // A range of real dates shows its quiet days as zeros, so the days stand evenly on the axis;
    // a decade is more than the window can draw.
    const QDate first = SolarDate::toGregorian(from), last = SolarDate::toGregorian(to);
    if (SolarDate::isStrictDate(from) && SolarDate::isStrictDate(to) && first.daysTo(last) <= 3660)
        for (QDate d = first; d <= last; d = d.addDays(1))
            days[SolarDate::fromGregorian(d)].date = SolarDate::fromGregorian(d);
    // The count of a day's service rows reads the index on (service_date, service_id), not the rows.
    Statement st(db,
                 u"SELECT d.service_date, (SELECT count(*) FROM service s WHERE s.service_date = d.service_date AND "
                 u"s.service_id<>0), d.service_moeny, d.service_percent, d.driver_bes FROM day_totals d "
                 u"WHERE d.service_date >= ? AND d.service_date <= ?"_s);
    st.bind(1, from);
    st.bind(2, to);
    while (st.step()) {
        DayTotals& day = days[st.column(0).toString()];
        day.date = st.column(0).toString();
        day.services = st.columnInt(1);
        day.fares = Currency::fromUnits(st.columnInt(2));
        day.shares = Currency::fromUnits(st.columnInt(3));
        day.payments = Currency::fromUnits(st.columnInt(4));
    }
    return days.values().toVector();
}

qint64 rebuildTotals(Connection* db)
{
    Transaction tx(db);
    const qint64 written = refillTotals(db);
    tx.commit();
    return written;
}

qint64 refillTotals(Connection* db)
{
    qint64 written = 0;
    for (const KeptTotals& t : keptTotals()) {
        exec(db, u"DELETE FROM %1"_s.arg(q(t.table)));
        exec(db, u"INSERT INTO %1 (%2) %3"_s.arg(q(t.table), keptColumns(t), fromRows(t)));
        Statement count(db, u"SELECT count(*) FROM %1"_s.arg(q(t.table)));
        written += count.step() ? count.columnInt(0) : 0;
    }
    return written;
}

}  // namespace agency
