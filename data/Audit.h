#pragma once
// The audit trail: every correction of a service or payment and every deletion of a driver,
// subscriber or user leaves a row in table audit, written in the transaction of the change: who,
// when, which table and row, and the values before and after. Nothing of the program changes or
// deletes an audit row, and the database refuses it too.

#include "data/Schema.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace agency {

// The schema version that brings the audit in.
constexpr int kAuditVersion = 4;
// The width of the before and after texts: a whole row of the widest table, as column=value lines.
constexpr int kAuditTextWidth = 4000;

// The statements of the schema step that brings the audit in: the table, its index, the guards,
// and the users right given to the first user where nobody holds it, so that someone reads it.
QStringList auditSchema(Engine engine);
// The engine's own statements that refuse every change and deletion of an audit row.
QStringList auditGuardStatements(Engine engine);
// The text the guards refuse with.
QString auditRefusalText();

enum class AuditWrite { Update, Delete };

// The record of one write to one row. Made before the write, in its transaction, it reads the row
// as it stands when the table's writes of that kind are recorded (a correction of service, a
// deletion of driver, acount or Users), and does nothing otherwise; record(), after the write and
// before the commit, adds the audit row. Raises Error when a read or the record fails, so that the
// write fails with it.
class AuditTrail {
public:
    AuditTrail(Connection* db, const TableDef& table, qint64 row, AuditWrite write);
    void record();

private:
    QVariantList read() const;

    Connection* m_db;
    const TableDef& m_table;
    qint64 m_row;
    AuditWrite m_write;
    bool m_audited;
    QVariantList m_before;
};

// Values as an audit text: a "column=value" line each, backslashes and line breaks escaped, so
// that every line is one column and money reads exactly as stored.
QString auditText(const QStringList& columns, const QStringList& values);

}  // namespace agency
