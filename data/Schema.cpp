#include "data/Schema.h"

#include "data/Totals.h"

#include <QStringList>

namespace agency {

namespace {

ColumnDef text(const char* name, int width)
{
    return {QString::fromLatin1(name), FieldType::Text, width};
}
ColumnDef integer(const char* name)
{
    return {QString::fromLatin1(name), FieldType::Integer, 0};
}
ColumnDef money(const char* name)
{
    return {QString::fromLatin1(name), FieldType::Currency, 0};
}
ColumnDef boolean(const char* name)
{
    return {QString::fromLatin1(name), FieldType::Boolean, 0};
}
ColumnDef autoInc(const char* name)
{
    return {QString::fromLatin1(name), FieldType::AutoInc, 0};
}

}  // namespace

int TableDef::columnIndex(const QString& name) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

const QVector<TableDef>& schemaTables()
{
    // PassWord holds a libsodium hash, hence 128; the names in service are as wide as their
    // sources, and service_action holds the payment wording with a ten-digit number.
    static const QVector<TableDef> tables = {
        {QStringLiteral("Users"),
         {autoInc("ID"), text("UserName", 50), text("PassWord", 128), boolean("Sabt"), boolean("Payeh"),
          boolean("Reports"), boolean("Users")}},
        {QStringLiteral("driver"),
         {integer("driver_id"), text("driver_name", 50), text("driver_add", 50), text("driver_tel", 50),
          text("driver_auto", 50)}},
        {QStringLiteral("acount"),
         {integer("acount_id"), text("acount_name", 50), text("acount_add", 50), text("acount_tel", 50)}},
        {QStringLiteral("service"),
         {autoInc("id"), integer("service_id"), integer("driver_id"), text("driver_name", 50), integer("acount_id"),
          text("acount_name", 50), text("service_date", 10), text("service_start_add", 50),
          text("service_target_add", 50), text("service_action", 40), money("service_moeny"), money("service_percent"),
          money("driver_bes"), integer("driver_bes_no"), text("Service_time", 20)}},
        {QStringLiteral("payeh"),
         {autoInc("ID"), text("Title", 50), integer("percent"), text("Add", 50), text("Tel", 50)}},
    };
    return tables;
}

const TableDef* findTable(const QString& name)
{
    for (const TableDef& t : schemaTables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

QStringList schemaStatements()
{
    QStringList out;
    for (const TableDef& t : schemaTables()) {
        QStringList cols;
        for (const ColumnDef& c : t.columns) {
            const QString q = QLatin1Char('"') + c.name + QLatin1Char('"');
            switch (c.type) {
                case FieldType::AutoInc:
                    cols << q + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
                    break;
                case FieldType::Text:
                    cols << q + QStringLiteral(" TEXT COLLATE NOCASE CHECK (length(%1) <= %2)").arg(q).arg(c.width);
                    break;
                case FieldType::Boolean:
                    cols << q + QStringLiteral(" INTEGER NOT NULL DEFAULT 0");
                    break;
                case FieldType::Integer:
                case FieldType::Currency:
                case FieldType::Float:
                    // Every number of service defaults to 0, so that balances never come out empty.
                    cols << q + (t.name == QLatin1String("service") ? QStringLiteral(" INTEGER DEFAULT 0")
                                                                    : QStringLiteral(" INTEGER"));
                    break;
            }
        }
        out << QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(t.name, cols.join(QStringLiteral(", ")));
    }
    out << QStringLiteral("CREATE INDEX \"service_id\" ON service(service_id)")
        << QStringLiteral(
               "CREATE UNIQUE INDEX service_identity ON service(service_date, service_id) WHERE service_id<>0")
        << QStringLiteral("CREATE INDEX service_day ON service(service_date, service_id)")
        << QStringLiteral("CREATE UNIQUE INDEX payment_number ON service(driver_bes_no) WHERE driver_bes_no<>0")
        << QStringLiteral("CREATE INDEX payment_max ON service(driver_bes_no)")
        << QStringLiteral("CREATE INDEX service_driver_day ON service(driver_id, service_date)")
        << QStringLiteral(
               "CREATE INDEX service_balance ON service(driver_id, driver_name, service_percent, driver_bes)")
        << QStringLiteral(
               "CREATE INDEX service_totals ON service(service_date, service_moeny, service_percent, driver_bes)")
        << QStringLiteral("CREATE UNIQUE INDEX driver_code ON driver(driver_id)")
        << QStringLiteral("CREATE UNIQUE INDEX acount_code ON acount(acount_id)");
    for (const SchemaStep& step : schemaSteps()) out << step.statements;
    return out;
}

const QVector<SchemaStep>& schemaSteps()
{
    // Each step is the schema of one version; the lists' filters read only index entries until
    // they read the rows shown, in the order they show them.
    static const QVector<SchemaStep> steps = {
        {2,
         {QStringLiteral("CREATE INDEX IF NOT EXISTS service_number ON service(service_id, service_date)"),
          QStringLiteral(
              "CREATE INDEX IF NOT EXISTS service_subscriber ON service(acount_id, service_date, service_id)"),
          QStringLiteral("CREATE INDEX IF NOT EXISTS payment_day ON service(service_date, driver_bes_no) WHERE "
                         "driver_bes_no<>0")}},
        // The balances and the day totals kept as rows are written, built once from the rows.
        {3, keptTotalsSchema()},
    };
    return steps;
}

}  // namespace agency
