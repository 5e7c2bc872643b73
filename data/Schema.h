#pragma once
// The catalogue of the five tables: names, column types and widths. The schema that a new
// database is created with, the SQL parser and the datasets all read it from here.

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
    int columnIndex(const QString& name) const;  // case-insensitive; -1 when absent
};

const QVector<TableDef>& schemaTables();
const TableDef* findTable(const QString& name);  // case-insensitive

// A column as CREATE TABLE or ALTER TABLE ... ADD COLUMN gives it.
QString columnDefinition(const TableDef& table, const ColumnDef& column);

// The SQL statements that create the current schema, in order.
QStringList schemaStatements();

// The program's SQLite application_id, so that a foreign file is refused.
constexpr int kApplicationId = 0x41474E43;  // "AGNC"
constexpr int kSchemaVersion = 5;
// The version that brings in the settings' debt limit.
constexpr int kDebtLimitVersion = 5;

// What a database of the version before needs to become this version. A database in use is
// brought up to kSchemaVersion step by step when it is opened, each step in one transaction,
// which first adds the catalogue's columns of its version.
struct SchemaStep {
    int version;
    QStringList statements;
};
const QVector<SchemaStep>& schemaSteps();

}  // namespace agency
