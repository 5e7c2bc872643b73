#include "data/Schema.h"

#include "data/Phone.h"
#include "data/Totals.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

ColumnDef text(const QString& name, int width)
{
    return {name, FieldType::Text, width};
}
ColumnDef integer(const QString& name)
{
    return {name, FieldType::Integer, 0};
}
ColumnDef money(const QString& name)
{
    return {name, FieldType::Currency, 0};
}
ColumnDef boolean(const QString& name)
{
    return {name, FieldType::Boolean, 0};
}
ColumnDef autoInc(const QString& name)
{
    return {name, FieldType::AutoInc, 0};
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
        {u"Users"_s,
         {autoInc(u"ID"_s), text(u"UserName"_s, 50), text(u"PassWord"_s, 128), boolean(u"Sabt"_s), boolean(u"Payeh"_s),
          boolean(u"Reports"_s), boolean(u"Users"_s)}},
        {u"driver"_s,
         {integer(u"driver_id"_s), text(u"driver_name"_s, 50), text(u"driver_add"_s, 50), text(u"driver_tel"_s, 50),
          text(u"driver_auto"_s, 50)}},
        {u"acount"_s,
         {integer(u"acount_id"_s), text(u"acount_name"_s, 50), text(u"acount_add"_s, 50), text(u"acount_tel"_s, 50)}},
        {u"service"_s,
         {autoInc(u"id"_s), integer(u"service_id"_s), integer(u"driver_id"_s), text(u"driver_name"_s, 50),
          integer(u"acount_id"_s), text(u"acount_name"_s, 50), text(u"service_date"_s, 10),
          text(u"service_start_add"_s, 50), text(u"service_target_add"_s, 50), text(u"service_action"_s, 40),
          money(u"service_moeny"_s), money(u"service_percent"_s), money(u"driver_bes"_s), integer(u"driver_bes_no"_s),
          text(u"Service_time"_s, 20)}},
        {u"payeh"_s,
         {autoInc(u"ID"_s), text(u"Title"_s, 50), integer(u"percent"_s), text(u"Add"_s, 50), text(u"Tel"_s, 50)}},
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
            const QString q = u'"' + c.name + u'"';
            switch (c.type) {
                case FieldType::AutoInc:
                    cols << q + u" INTEGER PRIMARY KEY AUTOINCREMENT"_s;
                    break;
                case FieldType::Text:
                    cols << q + u" TEXT COLLATE NOCASE CHECK (length(%1) <= %2)"_s.arg(q).arg(c.width);
                    break;
                case FieldType::Boolean:
                    cols << q + u" INTEGER NOT NULL DEFAULT 0"_s;
                    break;
                case FieldType::Integer:
                case FieldType::Currency:
                case FieldType::Float:
                    // Every number of service defaults to 0, so that balances never come out empty.
                    cols << q + (t.name == u"service"_s ? u" INTEGER DEFAULT 0"_s : u" INTEGER"_s);
                    break;
            }
        }
        out << u"CREATE TABLE \"%1\" (%2)"_s.arg(t.name, cols.join(u", "_s));
    }
    out << u"CREATE INDEX \"service_id\" ON service(service_id)"_s
        << u"CREATE UNIQUE INDEX service_identity ON service(service_date, service_id) WHERE service_id<>0"_s
        << u"CREATE INDEX service_day ON service(service_date, service_id)"_s
        << u"CREATE UNIQUE INDEX payment_number ON service(driver_bes_no) WHERE driver_bes_no<>0"_s
        << u"CREATE INDEX payment_max ON service(driver_bes_no)"_s
        << u"CREATE INDEX service_driver_day ON service(driver_id, service_date)"_s
        << u"CREATE INDEX service_balance ON service(driver_id, driver_name, service_percent, driver_bes)"_s
        << u"CREATE INDEX service_totals ON service(service_date, service_moeny, service_percent, driver_bes)"_s
        << u"CREATE UNIQUE INDEX driver_code ON driver(driver_id)"_s
        << u"CREATE UNIQUE INDEX acount_code ON acount(acount_id)"_s;
    for (const SchemaStep& step : schemaSteps()) out << step.statements;
    return out;
}

const QVector<SchemaStep>& schemaSteps()
{
    // Each step is the schema of one version; the lists' filters read only index entries until
    // they read the rows shown, in the order they show them.
    static const QVector<SchemaStep> steps = {
        {2,
         {u"CREATE INDEX IF NOT EXISTS service_number ON service(service_id, service_date)"_s,
          u"CREATE INDEX IF NOT EXISTS service_subscriber ON service(acount_id, service_date, service_id)"_s,
          u"CREATE INDEX IF NOT EXISTS payment_day ON service(service_date, driver_bes_no) WHERE "
          "driver_bes_no<>0"_s}},
        // The balances and the day totals kept as rows are written, built once from the rows. A later
        // change to what is kept comes as a step of its own: a file at version 3 never runs this again.
        {kKeptTotalsVersion, keptTotalsSchema()},
        // A subscriber found by telephone through an index, kept by triggers like the totals.
        {kPhoneIndexVersion, phoneIndexSchema()},
    };
    return steps;
}

}  // namespace agency
