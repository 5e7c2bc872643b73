#include "data/ServerDatabase.h"

#include "data/Database.h"
#include "data/Errors.h"
#include "data/PostgresEngine.h"
#include "data/Schema.h"
#include "data/Totals.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

QPair<qint64, qint64> versionOf(Connection* db)
{
    try {
        Statement st(db, u"SELECT application_id, version FROM agency_meta"_s);
        if (st.step()) return {st.columnInt(0), st.columnInt(1)};
    } catch (const Error& e) {
        if (isLinkFailure(e.code())) throw;
    }
    return {0, 0};
}

qint64 checkServerDatabase(Connection* db, const QString& where)
{
    const auto [appId, version] = versionOf(db);
    if (appId != kApplicationId) throw Error(u"اين پايگاه داده روي سرور از اين برنامه نيست: "_s + where);
    if (version > kSchemaVersion) throw Error(u"اين پايگاه داده با نسخه جديدتري از برنامه ساخته شده است"_s);
    QSet<QString> present;
    Statement st(db, u"SELECT tablename FROM pg_tables WHERE schemaname = current_schema()"_s);
    while (st.step()) present.insert(st.column(0).toString());
    for (const TableDef& t : schemaTables())
        if (t.since <= version && !present.contains(t.name.toLower()))  // a later one comes with its step
            throw Error(u"جدول %1 در پايگاه داده نيست"_s.arg(t.name));
    return version;
}

}  // namespace

void openServerDatabase(Connection* db, const QString& where)
{
    if (checkServerDatabase(db, where) >= kSchemaVersion) return;
    for (const SchemaStep& step : schemaSteps(Engine::Server)) {
        // Two desks starting together: the second waits for the first's step and then skips it.
        Transaction tx(db);
        exec(db, u"LOCK TABLE agency_meta IN EXCLUSIVE MODE"_s);
        if (versionOf(db).second >= step.version) continue;
        for (const TableDef& t : schemaTables())
            for (const ColumnDef& c : t.columns)
                if (c.since == step.version)
                    exec(db, u"ALTER TABLE \"%1\" ADD COLUMN IF NOT EXISTS %2"_s.arg(t.name,
                                                                                     columnDefinition(t, c, Engine::Server)));
        for (const QString& sql : step.statements) exec(db, sql);
        exec(db, u"UPDATE agency_meta SET version = %1"_s.arg(step.version));
        tx.commit();
    }
}

void createOnServer(const QString& uri, const NewDatabase& settings)
{
    const auto db = openServer(uri);
    Statement tables(db.get(), u"SELECT count(*) FROM pg_tables WHERE schemaname = current_schema()"_s);
    if (tables.step() && tables.columnInt(0) > 0)
        throw Error(u"پايگاه داده روي سرور خالي نيست: "_s + uri);
    Transaction tx(db.get());
    fillNewDatabase(db.get(), settings);
    exec(db.get(), u"INSERT INTO agency_meta (application_id, version) VALUES (%1, %2)"_s.arg(kApplicationId)
                       .arg(kSchemaVersion));
    tx.commit();
}

QStringList verifyOnServer(const QString& uri)
{
    const auto db = openServer(uri);
    checkServerDatabase(db.get(), uri);
    if (versionOf(db.get()).second < kKeptTotalsVersion) return {};
    return totalsDifferences(db.get());
}

QStringList serverPreamble()
{
    return {
        // Names compare as the file compares them: without case.
        u"CREATE COLLATION IF NOT EXISTS nocase (provider = icu, locale = 'und-u-ks-level2', deterministic = false)"_s,
        u"CREATE TABLE agency_meta (application_id BIGINT NOT NULL, version BIGINT NOT NULL)"_s,
        // The letters the desk types in two forms are one letter; Persian digits are digits.
        u"CREATE OR REPLACE FUNCTION agency_fold(t TEXT) RETURNS TEXT LANGUAGE SQL IMMUTABLE PARALLEL SAFE AS "
        "$$ SELECT translate(lower(t COLLATE \"und-x-icu\"), 'يىكةأإ۰۱۲۳۴۵۶۷۸۹٠١٢٣٤٥٦٧٨٩', "
        "'ییکهاا01234567890123456789') $$"_s,
        // SQLite's name for the place of one text in another, which the program's SQL uses.
        u"CREATE OR REPLACE FUNCTION instr(t TEXT, part TEXT) RETURNS INT LANGUAGE SQL IMMUTABLE PARALLEL SAFE "
        "AS $$ SELECT strpos(t, part) $$"_s,
        // Only % is a wildcard; a backslash takes the next character as it is.
        u"CREATE OR REPLACE FUNCTION agency_like_pattern(p TEXT) RETURNS TEXT LANGUAGE plpgsql IMMUTABLE STRICT "
        "PARALLEL SAFE AS $$ DECLARE o TEXT := ''; i INT := 1; n INT := length(p); c TEXT; BEGIN "
        "WHILE i <= n LOOP c := substr(p, i, 1); "
        "IF c = '\\' AND i < n THEN o := o || c || substr(p, i + 1, 1); i := i + 2; CONTINUE; "
        "ELSIF c = '\\' OR c = '_' THEN o := o || '\\' || c; ELSE o := o || c; END IF; i := i + 1; "
        "END LOOP; RETURN o; END $$"_s,
        u"CREATE OR REPLACE FUNCTION agency_like(v TEXT, p TEXT) RETURNS BOOLEAN LANGUAGE SQL IMMUTABLE "
        "PARALLEL SAFE AS $$ SELECT agency_fold(v) COLLATE \"C\" LIKE agency_like_pattern(agency_fold(p)) "
        "COLLATE \"C\" $$"_s,
    };
}

QStringList serverTrigger(const QString& name, const QString& event, const QString& table, const QString& body)
{
    const QString q = u'"' + name + u'"';
    return {u"CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN %2 RETURN NULL; END $$"_s
                .arg(q, body),
            u"CREATE OR REPLACE TRIGGER %1 %2 ON \"%3\" FOR EACH ROW EXECUTE FUNCTION %1()"_s.arg(q, event, table)};
}

}  // namespace agency
