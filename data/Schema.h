#pragma once
// The catalogue of the tables: names, column types and widths. The schema that a new
// database is created with, the SQL parser and the datasets all read it from here.

#include "data/Engine.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace agency {

enum class FieldType { AutoInc, Integer, Currency, Text, Boolean, Float };

struct ColumnDef {
    QString name;
    FieldType type;
    int width = 0;  // characters, for text columns
    int since = 0;  // the schema version that brings it to a database in use; 0: the first schema
};

struct TableDef {
    QString name;
    QVector<ColumnDef> columns;
    int since = 1;                               // the schema version that brings the table in
    int columnIndex(const QString& name) const;  // case-insensitive; -1 when absent
    int keyColumnIndex() const;                  // the numbering key column; -1 when the table has none
    // The column a row is found by: the key, else the row id every table has (on a server, a
    // column of that name that the catalogue does not list).
    QString keyName() const;
};

const QVector<TableDef>& schemaTables();
const TableDef* findTable(const QString& name);  // case-insensitive

// column equal to value, two nulls counting as equal, written so that either engine reaches an
// index on column (the server reaches none through IS NOT DISTINCT FROM).
QString sameValue(const QString& column, const QString& value, Engine engine);
// A column as CREATE TABLE or ALTER TABLE ... ADD COLUMN gives it on that engine.
QString columnDefinition(const TableDef& table, const ColumnDef& column, Engine engine);

// The SQL statements that create the current schema on that engine, in order.
QStringList schemaStatements(Engine engine = Engine::File);
// The statement that creates one table of the catalogue; ifMissing leaves one already there.
QString createTableStatement(const TableDef& table, Engine engine, bool ifMissing = false);

// The program's SQLite application_id, so that a foreign file is refused.
constexpr int kApplicationId = 0x41474E43;  // "AGNC"
constexpr int kSchemaVersion = 7;
// The version that gives a server's indexes of service its key as their last column.
constexpr int kIndexKeyVersion = 7;
// The version that brings in the settings' debt limit.
constexpr int kDebtLimitVersion = 5;

// What a database of the version before needs to become this version. A database in use is
// brought up to kSchemaVersion step by step when it is opened, each step in one transaction,
// which first adds the catalogue's columns of its version.
struct SchemaStep {
    int version;
    QStringList statements;
};
QVector<SchemaStep> schemaSteps(Engine engine = Engine::File);

}  // namespace agency
