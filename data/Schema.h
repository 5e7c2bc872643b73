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
};

struct TableDef {
    QString name;
    QVector<ColumnDef> columns;
    int columnIndex(const QString& name) const;  // case-insensitive; -1 when absent
};

const QVector<TableDef>& schemaTables();
const TableDef* findTable(const QString& name);  // case-insensitive

// The SQL statements that create the current schema, in order.
QStringList schemaStatements();

// The program's SQLite application_id, so that a foreign file is refused.
constexpr int kApplicationId = 0x41474E43;  // "AGNC"
constexpr int kSchemaVersion = 6;

// What a database of the version before needs to become this version. A database in use is
// brought up to kSchemaVersion step by step when it is opened, each step in one transaction.
struct SchemaStep {
    int version;
    QStringList statements;
};
const QVector<SchemaStep>& schemaSteps();

}  // namespace agency
