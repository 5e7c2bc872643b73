#pragma once
// Totals kept as rows are written: a balance per driver and the totals of each day, each a table
// whose rows sum the service rows of one key. Triggers change them in the transaction of every
// insert, correction and deletion of a service row, whoever writes it (a window, agencyctl or an
// administrator's SQL), so that the balances and the statistics read O(drivers) and O(days) rows.
// Only a write that skips triggers (an INSERT OR REPLACE that replaces a row, with recursive
// triggers off) leaves them behind; totalsDifferences finds that and rebuildTotals mends it.
//
// A kept table answers an aggregate query over service whose every plain column is one of its
// keys and whose every aggregate is a sum or an average of one of its summed columns: the sums of
// its rows' sums are the sums of the service rows, null where no row holds a value, as SQL has it.

#include "data/Currency.h"
#include "data/Engine.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace agency {

// The schema version that brings the kept tables in.
constexpr int kKeptTotalsVersion = 3;

struct KeptTotals {
    QString table;
    QStringList keys;  // columns of service that the kept rows are grouped by
    QStringList sums;  // columns of service summed; each has a count of its non-null values, name_n
};

const QVector<KeptTotals>& keptTotals();

// The statements that create the kept tables, their indexes and triggers, and fill them from the
// rows; run in one transaction by the schema step that brings them in.
QStringList keptTotalsSchema(Engine engine);

// Every kept row that differs from what the service rows give, in the desk's words; empty when
// the totals hold.
QStringList totalsDifferences(Connection* db);

// One day of a range as the statistics chart it: the service rows (service_id<>0) and the sums of
// all its rows, which add up to the range's totals.
struct DayTotals {
    QString date;
    qint64 services = 0;
    Currency fares, shares, payments;
};

// Every day from `from` to `to`, both taken in and compared as text as the statistics compare
// them, in date order: each day with rows, and when both ends are real dates, each calendar day
// between them too (nothing kept for it: zeros). The sums come from day_totals, O(days).
QVector<DayTotals> dayTotals(Connection* db, const QString& from, const QString& to);

// Computes every kept total again from the rows, in one transaction; the number of kept rows written.
qint64 rebuildTotals(Connection* db);
// The same within the caller's transaction.
qint64 refillTotals(Connection* db);

}  // namespace agency
