#pragma once
// What the service and payment windows share: the driver lookup by code, the date check, and the
// writing of one row of the service table.

#include <QList>
#include <QString>
#include <functional>

class QLineEdit;
class QWidget;
class TLabeledEdit;
class TMaskEdit;
namespace agency {
class TDataset;
}

// The driver lookup on Enter in the code field (byEnter) or on leaving it. An empty code opens the
// driver picker for `caller`; a code no driver has says so, then opens it; leaving keeps the focus
// on the code in both cases. A driver found puts his name into `name` and the focus on `next`.
void DriverLookup(TLabeledEdit* code, TLabeledEdit* name, QWidget* next, int caller, bool byEnter);

// A whole yyyy/mm/dd Solar date of a year the agency can have worked in.
bool AcceptableDate(const QString& date);

// Fills each field from its column of the service table's current row, and the date field from
// its date; returns the row's id, by which a correction finds it again.
QString LoadServiceRow(const QList<std::pair<QLineEdit*, QString>>& fields, TMaskEdit* date);

// Appends a row to the service table, lets `write` set its columns and stores it. A failure drops
// the row, so that nothing half-written stays pending or is stored later, and is raised.
void AppendServiceRow(const std::function<void(agency::TDataset*)>& write);

// The same for the stored row with that id, which other windows may have moved the table away
// from meanwhile; false, with `goneMessage` shown, when the row is no longer stored.
bool RewriteServiceRow(const QString& id, const QString& goneMessage,
                       const std::function<void(agency::TDataset*)>& write);
