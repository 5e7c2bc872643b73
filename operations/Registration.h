#pragma once
// What the service and payment windows share: the driver lookup by code, the date check, and the
// writing of one row of the service table.

#include <QString>
#include <functional>

class QWidget;
class TLabeledEdit;
namespace agency {
class TDataset;
}

// The driver lookup on Enter in the code field (byEnter) or on leaving it. An empty code opens the
// driver picker for `caller`; a code no driver has says so, then opens it; leaving keeps the focus
// on the code in both cases. A driver found puts his name into `name` and the focus on `next`.
void DriverLookup(TLabeledEdit* code, TLabeledEdit* name, QWidget* next, int caller, bool byEnter);

// A whole yyyy/mm/dd Solar date of a year the agency can have worked in.
bool AcceptableDate(const QString& date);

// Appends a row to the service table, lets `write` set its columns and stores it. A failure drops
// the row, so that nothing half-written stays pending or is stored later, and is raised.
void AppendServiceRow(const std::function<void(agency::TDataset*)>& write);

// The same for the stored row with that id, which other windows may have moved the table away
// from meanwhile; false, with `goneMessage` shown, when the row is no longer stored.
bool RewriteServiceRow(const QString& id, const QString& goneMessage,
                       const std::function<void(agency::TDataset*)>& write);

// Typed text as it goes into a filter's condition. A whole number (Persian digits read as digits)
// goes in as its digits; any other text goes in quoted, which the query parser refuses against a
// number column with its own message, so that typed text never becomes SQL of its own.
QString NumberLiteral(const QString& typed);
// Typed text as a quoted text literal, every apostrophe doubled.
QString TextLiteral(const QString& typed);
