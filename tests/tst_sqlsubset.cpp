// The SQL dialect: what it accepts, how result columns are named and typed, what it refuses, and
// that what it writes runs on SQLite with money kept in ten-thousandths.

#include "data/Errors.h"
#include "data/Schema.h"
#include "data/SqlSubset.h"

#include <QRegularExpression>
#include <QTest>
#include <QVariant>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

using namespace agency;

namespace {

QString u8(const char* s)
{
    return QString::fromUtf8(s);
}

QString typeName(FieldType t)
{
    switch (t) {
        case FieldType::AutoInc:
            return u"AutoInc"_s;
        case FieldType::Integer:
            return u"Integer"_s;
        case FieldType::Currency:
            return u"Currency"_s;
        case FieldType::Text:
            return u"Text"_s;
        case FieldType::Boolean:
            return u"Boolean"_s;
        case FieldType::Float:
            return u"Float"_s;
    }
    return u"?"_s;
}

// Stands in for the database layer's function: only % is a wildcard, nothing is folded.
void likeStandIn(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])));
    const QString pattern = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[1])));
    QStringList parts = pattern.split(u'%');
    for (QString& p : parts) p = QRegularExpression::escape(p);
    const QRegularExpression re(QRegularExpression::anchoredPattern(parts.join(u".*"_s)),
                                QRegularExpression::DotMatchesEverythingOption);
    sqlite3_result_int(ctx, re.match(value).hasMatch() ? 1 : 0);
}

class MemoryDb {
public:
    MemoryDb()
    {
        sqlite3_open(":memory:", &m_db);
        for (const QString& s : schemaStatements()) exec(s);
        sqlite3_create_function(m_db, "agency_like", 2, SQLITE_UTF8, nullptr, &likeStandIn, nullptr, nullptr);
    }
    ~MemoryDb() { sqlite3_close(m_db); }
    MemoryDb(const MemoryDb&) = delete;
    MemoryDb& operator=(const MemoryDb&) = delete;

    void exec(const QString& sql)
    {
        char* err = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const QString msg = QString::fromUtf8(err);
            sqlite3_free(err);
            QTest::qFail(qPrintable(msg), __FILE__, __LINE__);
        }
    }

    // Rows as "a,b;c,d": NULL as null, reals marked with r, so that an integer result is told apart.
    QStringList run(const QString& sql, QStringList* names = nullptr)
    {
        sqlite3_stmt* st = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &st, nullptr) != SQLITE_OK) {
            m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
            return {};
        }
        m_error.clear();
        if (names) {
            names->clear();
            for (int i = 0; i < sqlite3_column_count(st); ++i) *names << QString::fromUtf8(sqlite3_column_name(st, i));
        }
        QStringList rows;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                switch (sqlite3_column_type(st, i)) {
                    case SQLITE_INTEGER:
                        row << QString::number(sqlite3_column_int64(st, i));
                        break;
                    case SQLITE_FLOAT:
                        row << u"r"_s + QString::number(sqlite3_column_double(st, i), 'g', 15);
                        break;
                    case SQLITE_NULL:
                        row << u"null"_s;
                        break;
                    default:
                        row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
                        break;
                }
            }
            rows << row.join(u',');
        }
        if (rc != SQLITE_DONE) m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(st);
        return rows;
    }

    const QString& error() const { return m_error; }

private:
    sqlite3* m_db = nullptr;
    QString m_error;
};

// Money in ten-thousandths: 2400, 2399, 1851.75 and 1.0001 rials; two payments of 300 and 100.
void seed(MemoryDb& db)
{
    db.exec(
        u8("INSERT INTO driver (driver_id, driver_name) VALUES "
           "(1, 'علي رضايي'), (2, 'Reza'), (5, 'a_b'), (6, 'acb'), (7, 'O''Brien')"));
    db.exec(u8("INSERT INTO acount (acount_id, acount_name) VALUES (2, 'second'), (1, 'first')"));
    db.exec(u8("INSERT INTO payeh (Title, percent, \"Add\", Tel) VALUES ('Agency', 10, 'Addr', '555')"));
    db.exec(
        u8("INSERT INTO service (id, service_id, driver_id, driver_name, service_date, service_moeny, "
           "service_percent, driver_bes, driver_bes_no) VALUES "
           "(1, 1, 3, 'Reza', '1405/01/05', 24000000, 2400000, 0, 0),"
           "(2, 2, 3, 'Reza', '1405/01/20', 23990000, 2399000, 0, 0),"
           "(3, 0, 3, 'Reza', '1405/01/25', 0, 0, 3000000, 1),"
           "(4, 1, 4, 'Ali', '1405/02/01', 18517500, 1851750, 0, 0),"
           "(5, 0, 4, 'Ali', '1405/02/03', 0, 0, 1000000, 2),"
           "(6, 1, 3, 'Reza', '1404/12/29', 10001, 1000, 0, 0)"));
}

const char* const kAmar =
    "SELECT Sum(service.service_moeny) AS SumOfservice_moeny, Sum(service.service_percent) AS "
    "SumOfservice_percent, Avg(service.service_moeny) AS AvgOfservice_moeny, sum(service.driver_bes) AS "
    "AvgOfdriver_bes\nFROM service;";

const char* const kMande =
    "select driver_id,Driver_name,sum(service_percent),sum(Driver_bes),(sum(service_percent)-sum(Driver_bes))\n"
    "from service\ngroup by driver_id,Driver_name";

}  // namespace

class TestSqlSubset : public QObject {
    Q_OBJECT

private slots:
    void namesAndTypes_data();
    void namesAndTypes();
    void starExpandsTheCatalogue();
    void results_data();
    void results();
    void refusals_data();
    void refusals();
    void groupingAsWritten_data();
    void groupingAsWritten();
};

void TestSqlSubset::namesAndTypes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("types");
    QTest::addColumn<QString>("sources");
    QTest::addColumn<bool>("plain");

    // The statements the windows send, as they send them.
    QTest::newRow("next service number") << u8("select  max(service_id)\nfrom service\nwhere service_date='1405/09/17'")
                                         << u8("Expr1000") << u8("Integer") << u8("-1") << false;
    QTest::newRow("next payment number") << u8("select  max(driver_bes_no)\nfrom service") << u8("Expr1000")
                                         << u8("Integer") << u8("-1") << false;
    QTest::newRow("next driver code") << u8("select  max(driver_id)\nfrom driver") << u8("Expr1000") << u8("Integer")
                                      << u8("-1") << false;
    QTest::newRow("service totals") << u8("select sum(service_percent),sum(driver_bes)\nfrom service\n"
                                          "where (driver_id=3) and (service_date>='1405/01/01') and "
                                          "(service_date<='1405/01/31')\ngroup by driver_id")
                                    << u8("Expr1000,Expr1001") << u8("Currency,Currency") << u8("-1,-1") << false;
    QTest::newRow("balances") << u8(kMande) << u8("driver_id,Driver_name,Expr1002,Expr1003,Expr1004")
                              << u8("Integer,Text,Currency,Currency,Currency") << u8("2,3,-1,-1,-1") << false;
    QTest::newRow("statistics") << u8(kAmar)
                                << u8("SumOfservice_moeny,SumOfservice_percent,AvgOfservice_moeny,AvgOfdriver_bes")
                                << u8("Currency,Currency,Currency,Currency") << u8("-1,-1,-1,-1") << false;

    // Naming: the position counts every item, aliased or not; a column keeps the spelling written.
    QTest::newRow("expr after alias")
        << u8("select driver_id, max(id) as m, sum(driver_bes), service.Driver_Name from service group by driver_id, "
              "driver_name")
        << u8("driver_id,m,Expr1002,Driver_Name") << u8("Integer,Integer,Currency,Text") << u8("2,-1,-1,3") << false;
    QTest::newRow("aliased column keeps its source")
        << u8("select driver_name AS who from driver") << u8("who") << u8("Text") << u8("1") << true;
    QTest::newRow("parenthesised column is an expression")
        << u8("select (driver_id) from driver") << u8("Expr1000") << u8("Integer") << u8("-1") << true;
    QTest::newRow("upper case, tabs and CRLF")
        << u8("SELECT\tDRIVER_NAME\r\nFROM DRIVER\r\nWHERE DRIVER_ID = 1 AND Driver_Name LIKE '%a%'")
        << u8("DRIVER_NAME") << u8("Text") << u8("1") << true;
    QTest::newRow("keyword column") << u8("select Title, Add, payeh.Tel from payeh") << u8("Title,Add,Tel")
                                    << u8("Text,Text,Text") << u8("1,3,4") << true;

    // Typing.
    QTest::newRow("sum of integer, of currency")
        << u8("select sum(driver_bes_no), sum(driver_bes) from service") << u8("Expr1000,Expr1001")
        << u8("Integer,Currency") << u8("-1,-1") << false;
    QTest::newRow("avg of integer, of currency")
        << u8("select avg(service_id), avg(service_moeny) from service") << u8("Expr1000,Expr1001")
        << u8("Float,Currency") << u8("-1,-1") << false;
    QTest::newRow("max of text, of currency, of autonumber")
        << u8("select max(driver_name), max(driver_bes), max(id) from service") << u8("Expr1000,Expr1001,Expr1002")
        << u8("Text,Currency,Integer") << u8("-1,-1,-1") << false;
    QTest::newRow("money with whole numbers")
        << u8("select service_moeny + 1, service_moeny - driver_id, service_moeny * 2, service_moeny / 2 from service")
        << u8("Expr1000,Expr1001,Expr1002,Expr1003") << u8("Currency,Currency,Currency,Float") << u8("-1,-1,-1,-1")
        << true;
    QTest::newRow("whole numbers") << u8("select service_id + 1, -service_id, service_id / 2, 'x' from service")
                                   << u8("Expr1000,Expr1001,Expr1002,Expr1003") << u8("Integer,Integer,Float,Text")
                                   << u8("-1,-1,-1,-1") << true;
    QTest::newRow("all columns of a table")
        << u8("select *\nfrom service\nwhere service_id<>0\norder by service_date,service_id")
        << u8("id,service_id,driver_id,driver_name,acount_id,acount_name,service_date,service_start_add,"
              "service_target_add,service_action,service_moeny,service_percent,driver_bes,driver_bes_no,Service_time")
        << u8("AutoInc,Integer,Integer,Text,Integer,Text,Text,Text,Text,Text,Currency,Currency,Currency,Integer,Text")
        << u8("0,1,2,3,4,5,6,7,8,9,10,11,12,13,14") << true;
}

void TestSqlSubset::namesAndTypes()
{
    QFETCH(QString, text);
    QFETCH(QString, names);
    QFETCH(QString, types);
    QFETCH(QString, sources);
    QFETCH(bool, plain);

    const ParsedQuery q = parseSelect(text);
    QStringList gotNames, gotTypes, gotSources;
    for (const ResultColumn& c : q.columns) {
        gotNames << c.name;
        gotTypes << typeName(c.type);
        gotSources << QString::number(c.sourceColumn);
    }
    QCOMPARE(gotNames.join(u','), names);
    QCOMPARE(gotTypes.join(u','), types);
    QCOMPARE(gotSources.join(u','), sources);
    QCOMPARE(q.plain, plain);

    // SQLite names its columns as the windows bind to them.
    MemoryDb db;
    QStringList sqliteNames;
    db.run(q.sql(), &sqliteNames);
    QVERIFY2(db.error().isEmpty(), qPrintable(db.error() + u8(" in ") + q.sql()));
    QCOMPARE(sqliteNames.join(u','), names);
}

void TestSqlSubset::starExpandsTheCatalogue()
{
    MemoryDb db;
    for (const TableDef& t : schemaTables()) {
        const ParsedQuery q = parseSelect(u8("select *\nfrom ") + t.name.toUpper());
        QCOMPARE(q.table, &t);
        QVERIFY(q.plain);
        QCOMPARE(q.columns.size(), t.columns.size());
        for (int i = 0; i < t.columns.size(); ++i) {
            QCOMPARE(q.columns[i].name, t.columns[i].name);
            QCOMPARE(q.columns[i].type, t.columns[i].type);
            QCOMPARE(q.columns[i].sourceColumn, i);
        }
        db.run(q.sql());
        QVERIFY2(db.error().isEmpty(), qPrintable(db.error()));
    }
}

void TestSqlSubset::results_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("show");  // the one column to compare, or empty for all
    QTest::addColumn<bool>("ordered");
    QTest::addColumn<QString>("rows");

    QTest::newRow("service number of a day")
        << u8("select  max(service_id)\nfrom service\nwhere service_date='1405/01/20'") << QString() << true << u8("2");
    QTest::newRow("empty day gives null")
        << u8("select  max(service_id)\nfrom service\nwhere service_date='1405/09/17'") << QString() << true
        << u8("null");
    QTest::newRow("payment number") << u8("select  max(driver_bes_no)\nfrom service") << QString() << true << u8("2");
    QTest::newRow("service list in date order")
        << u8("select *\nfrom service\nwhere service_id<>0\norder by service_date,service_id") << u8("id") << true
        << u8("6;1;2;4");
    QTest::newRow("date range includes both ends")
        << u8("select *\nfrom service\nwhere (service_id<>0) and (service_date>='1405/01/05') and "
              "(service_date<='1405/01/20')")
        << u8("id") << false << u8("1;2");
    QTest::newRow("payment list") << u8("select *\nfrom service\nwhere driver_bes_no<>0") << u8("id") << false
                                  << u8("3;5");
    QTest::newRow("subscribers in number order")
        << u8("select *\nfrom acount\norder by acount_id") << u8("acount_id") << true << u8("1;2");
    QTest::newRow("name filter") << u8("select *\nfrom driver\nwhere driver_name like '%علي%'") << u8("driver_id")
                                 << false << u8("1");
    QTest::newRow("underscore is no wildcard")
        << u8("select *\nfrom driver\nwhere driver_name like 'a_b'") << u8("driver_id") << false << u8("5");
    QTest::newRow("doubled quote") << u8("select driver_id from driver where driver_name='O''Brien'") << QString()
                                   << false << u8("7");
    QTest::newRow("keyword columns run") << u8("select Title, Add, Tel from payeh") << QString() << false
                                         << u8("Agency,Addr,555");
    QTest::newRow("comment marks inside a text")
        << u8("select driver_id from driver where driver_name='a--b /* c'") << QString() << false << QString();
    QTest::newRow("Persian digits") << u8("select id from service where id=۴") << QString() << false << u8("4");
    QTest::newRow("codes in a list") << u8("select *\nfrom service\nwhere id in (5, 1, -2)") << u8("id") << false
                                     << u8("1;5");

    // Aggregates: currency stays in ten-thousandths, the mean of money is rounded to one.
    QTest::newRow("statistics, whole table")
        << u8(kAmar) << QString() << false << u8("66517501,6651750,11086250,4000000");
    QTest::newRow("statistics, one month")
        << u8(kAmar).chopped(1) + u8("\nwhere (service_date>='1405/01/01') and (service_date<='1405/01/31')")
        << QString() << false << u8("47990000,4799000,15996667,3000000");
    QTest::newRow("driver totals")
        << u8("select sum(service_percent),sum(driver_bes)\nfrom service\nwhere (driver_id=3) and "
              "(service_date>='1405/01/01') and (service_date<='1405/01/31')\ngroup by driver_id")
        << QString() << false << u8("4799000,3000000");
    QTest::newRow("driver totals, grouped, no rows")
        << u8("select sum(service_percent),sum(driver_bes)\nfrom service\nwhere driver_id=99\ngroup by driver_id")
        << QString() << false << QString();
    QTest::newRow("driver totals, no rows")
        << u8("select sum(service_percent),sum(driver_bes)\nfrom service\nwhere driver_id=99") << QString() << false
        << u8("null,null");
    QTest::newRow("balances") << u8(kMande) << QString() << false
                              << u8("3,Reza,4800000,3000000,1800000;4,Ali,1851750,1000000,851750");
    QTest::newRow("avg of integer is real")
        << u8("select avg(service_id) from service where service_id<>0") << QString() << false << u8("r1.25");

    // A money column compared with, or added to, a whole number counts that number in rials.
    QTest::newRow("money >= literal") << u8("select id from service where service_moeny>=2400") << QString() << false
                                      << u8("1");
    QTest::newRow("money = literal") << u8("select id from service where service_moeny=2399") << QString() << false
                                     << u8("2");
    QTest::newRow("literal on the left") << u8("select id from service where 300=driver_bes") << QString() << false
                                         << u8("3");
    QTest::newRow("between two literals")
        << u8("select id from service where service_moeny > 1 and service_moeny < 1852") << QString() << false
        << u8("4;6");
    QTest::newRow("money minus literal") << u8("select id from service where service_moeny - 2399 = 1") << QString()
                                         << false << u8("1");
    QTest::newRow("negative literal") << u8("select id from service where -service_moeny = -2400") << QString() << false
                                      << u8("1");
    QTest::newRow("money against integer column")
        << u8("select id from service where service_moeny >= driver_id * 600") << QString() << false << u8("1;2");
    QTest::newRow("money plus literal") << u8("select service_moeny + 1, service_moeny * 2 from service where id=4")
                                        << QString() << false << u8("18527500,37035000");
    QTest::newRow("sum difference plus literal")
        << u8("select sum(service_percent) - sum(driver_bes) + 1 from service where driver_id=4") << QString() << false
        << u8("861750");
    QTest::newRow("money divided") << u8("select service_moeny / 2 from service where id=1") << QString() << false
                                   << u8("r1200");
    QTest::newRow("whole numbers divide exactly")
        << u8("select service_id / 2 from service where id=1") << QString() << false << u8("r0.5");

    // Nesting and chains well within what the windows and the desk write.
    QTest::newRow("thirty parentheses") << u8("select id from service where ") + QString(30, u'(') + u8("id=4") +
                                               QString(30, u')')
                                        << QString() << false << u8("4");
    QTest::newRow("a hundred and terms") << u8("select id from service where id=4") +
                                                u8(" and service_id=1").repeated(99)
                                         << QString() << false << u8("4");
}

void TestSqlSubset::results()
{
    QFETCH(QString, text);
    QFETCH(QString, show);
    QFETCH(bool, ordered);
    QFETCH(QString, rows);

    const ParsedQuery q = parseSelect(text);
    MemoryDb db;
    seed(db);
    QStringList got = db.run(q.sql());
    QVERIFY2(db.error().isEmpty(), qPrintable(db.error() + u8(" in ") + q.sql()));
    if (!show.isEmpty()) {
        int at = -1;
        for (int i = 0; i < q.columns.size(); ++i)
            if (q.columns[i].name == show) at = i;
        QVERIFY(at >= 0);
        for (QString& r : got) r = r.split(u',').at(at);
    }
    if (!ordered) got.sort();
    QCOMPARE(got.join(u';'), rows);
}

void TestSqlSubset::refusals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    // Text pasted from a field.
    QTest::newRow("unknown column") << u8("select *\nfrom service\nwhere service_id=abc") << u8("ستون ناشناخته: abc");
    QTest::newRow("second statement") << u8("select *\nfrom service\nwhere service_id=5; delete from service")
                                      << u8("نزديك «delete from service»");
    QTest::newRow("empty number") << u8("select *\nfrom service\nwhere service_id=") << u8("ناتمام");
    QTest::newRow("quote in a name") << u8("select *\nfrom driver\nwhere driver_name like '%O'Brien%'")
                                     << u8("عبارت نادرست در پرس و جو نزديك");
    QTest::newRow("unterminated quote") << u8("select *\nfrom driver\nwhere driver_name like '%abc")
                                        << u8("متن داخل علامت ' بسته نشده است");
    QTest::newRow("or") << u8("select *\nfrom service\nwhere service_id=1 or 1=1") << u8("نزديك «or 1=1»");
    QTest::newRow("in with a text") << u8("select * from acount where acount_id in (1, '2')") << u8("فقط عدد");
    QTest::newRow("in with a sub-query") << u8("select * from acount where acount_id in (select acount_id from acount)")
                                         << u8("نزديك «select");
    QTest::newRow("in on a text") << u8("select * from acount where acount_name in (1)") << u8("عدد صحيح");
    QTest::newRow("line comment") << u8("select *\nfrom service\nwhere service_id=1 --x") << u8("توضيح");
    QTest::newRow("block comment") << u8("select * /* x */ from service") << u8("توضيح");
    QTest::newRow("sub-query") << u8("select *\nfrom service\nwhere service_id=(select max(service_id) from service)")
                               << u8("نزديك «select max");
    QTest::newRow("trailing word after ;") << u8("select * from service; x") << u8("نزديك «x»");
    QTest::newRow("second ;") << u8("select * from service;;") << u8("نزديك «;»");
    QTest::newRow("decimal number") << u8("select * from service where service_moeny>1.5") << u8("نزديك «1.5»");
    QTest::newRow("digits then letters") << u8("select * from service where service_id=5x") << u8("نزديك «5x»");
    QTest::newRow("too large") << u8("select * from service where service_id=99999999999999999999")
                               << u8("عدد بيش از اندازه بزرگ است");
    QTest::newRow("too large as money") << u8("select * from service where service_moeny=9223372036854775")
                                        << u8("عدد بيش از اندازه بزرگ است");

    // Names.
    QTest::newRow("unknown table") << u8("select *\nfrom xyz") << u8("جدول ناشناخته: xyz");
    QTest::newRow("other table's qualifier")
        << u8("select driver.driver_name from service") << u8("جدول driver در بخش from نيامده است");
    QTest::newRow("column of another table") << u8("select driver_tel from service") << u8("ستون ناشناخته: driver_tel");
    QTest::newRow("unknown group column")
        << u8("select max(id) from service group by nothing") << u8("ستون ناشناخته: nothing");
    QTest::newRow("unknown order column")
        << u8("select * from acount order by acount_x") << u8("ستون ناشناخته: acount_x");
    QTest::newRow("double-quoted name") << u8("select \"driver_id\" from driver") << u8("نام داخل علامت \"");
    QTest::newRow("bracketed name") << u8("select [driver_id] from driver") << u8("نام داخل علامت [");
    QTest::newRow("alias without as") << u8("select driver_id code from driver") << u8("نزديك «code from driver»");
    QTest::newRow("two tables") << u8("select * from service, driver") << u8("نزديك «, driver»");
    QTest::newRow("table alias") << u8("select * from service s") << u8("نزديك «s»");

    // Statements and clauses outside the dialect.
    QTest::newRow("delete") << u8("delete from service") << u8("نزديك «delete from service»");
    QTest::newRow("empty") << u8(" \n ") << u8("پرس و جو خالي است");
    QTest::newRow("no from") << u8("select 1") << u8("ناتمام");
    QTest::newRow("star with a column") << u8("select *, id from service") << u8("نزديك «, id from service»");
    QTest::newRow("descending") << u8("select * from acount order by acount_id desc") << u8("نزديك «desc»");
    QTest::newRow("clauses out of order")
        << u8("select max(id) from service order by driver_id group by driver_id") << u8("نزديك «group by driver_id»");
    QTest::newRow("not equal as !=") << u8("select * from service where id!=1") << u8("نزديك «!=1»");
    QTest::newRow("not like") << u8("select * from driver where driver_name not like 'a'") << u8("نزديك «not like");

    // Functions.
    QTest::newRow("other function") << u8("select count(id) from service") << u8("تابع ناشناخته: count");
    QTest::newRow("two arguments") << u8("select max(id, 2) from service") << u8("تابع max فقط يك ورودي مي گيرد");
    QTest::newRow("nested aggregate") << u8("select sum(max(id)) from service") << u8("تابع تجمعي درون تابع تجمعي");
    QTest::newRow("aggregate in where") << u8("select * from service where sum(driver_bes)>0")
                                        << u8("تابع تجمعي در بخش where");
    QTest::newRow("sum of text") << u8("select sum(driver_name) from service") << u8("تابع sum براي متن");
    QTest::newRow("ungrouped column")
        << u8("select driver_id, driver_name, sum(driver_bes) from service group by driver_id")
        << u8("ستون driver_name نه در group by");
    QTest::newRow("column beside an aggregate")
        << u8("select driver_id, sum(driver_bes) from service") << u8("ستون driver_id نه در group by");
    QTest::newRow("all columns grouped") << u8("select * from service group by driver_id") << u8("نه در group by");
    QTest::newRow("ungrouped order") << u8("select sum(driver_bes) from service group by driver_id order by id")
                                     << u8("ستون id نه در group by");

    // Types.
    QTest::newRow("text compared with number")
        << u8("select * from service where service_date=1405") << u8("نوع دو طرف مقايسه يكسان نيست");
    QTest::newRow("unquoted date") << u8("select * from service where service_date>=1405/01/01")
                                   << u8("نوع دو طرف مقايسه يكسان نيست");
    QTest::newRow("text arithmetic") << u8("select driver_name + 'x' from service") << u8("عملگر + براي متن");
    QTest::newRow("like on money") << u8("select * from service where service_moeny like '1%'")
                                   << u8("عملگر like فقط براي متن");
    QTest::newRow("condition as a column") << u8("select id<>0 from service") << u8("شرط به جاي مقدار");
    QTest::newRow("number as a condition") << u8("select * from service where 1") << u8("شرط نادرست");
    QTest::newRow("and of numbers") << u8("select * from service where id and 1=1") << u8("شرط نادرست");
    QTest::newRow("chained comparison") << u8("select * from service where (id=1)=1") << u8("شرط به جاي مقدار");

    // Deep input: refused with a message, never a crash.
    const QString tooDeep = u8("بيش از اندازه تو در تو");
    QTest::newRow("ten thousand parentheses")
        << u8("select * from service where ") + QString(10000, u'(') + u8("id=1") + QString(10000, u')') << tooDeep;
    QTest::newRow("fifty thousand signs")
        << u8("select ") + u8("-+").repeated(25000) + u8("id from service") << tooDeep;
    QTest::newRow("twenty thousand and terms")
        << u8("select * from service where id=1") + u8(" and id=1").repeated(20000) << tooDeep;
    QTest::newRow("twenty thousand terms of a sum")
        << u8("select ") + u8("id+").repeated(20000) + u8("id from service") << tooDeep;
    QTest::newRow("nested aggregates") << u8("select ") + u8("sum(").repeated(10000) + u8("id") + QString(10000, u')') +
                                              u8(" from service")
                                       << tooDeep;
}

void TestSqlSubset::refusals()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        const ParsedQuery q = parseSelect(text);
        QFAIL(qPrintable(u8("accepted: ") + q.sql()));
    } catch (const Error& e) {
        QVERIFY2(e.text().contains(message), qPrintable(e.text()));
    }
}

// What SQLite computes for the SQL written must be what it computes for the same arithmetic
// written by hand on the stored ten-thousandths: every compound operand keeps its grouping.
void TestSqlSubset::groupingAsWritten_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("byHand");
    QTest::newRow("money against a whole sum")
        << u8("select id from service where service_moeny > driver_id + 2399")
        << u8("select id from service where service_moeny > (driver_id + 2399) * 10000");
    QTest::newRow("a whole sum less money") << u8("select driver_id + 1 - service_moeny from service")
                                            << u8("select (driver_id + 1) * 10000 - service_moeny from service");
    QTest::newRow("a money sum with a real") << u8("select service_moeny + driver_bes + service_id / 2 from service")
                                             << u8("select (service_moeny + driver_bes) / 10000.0 + service_id / 2.0 "
                                                   "from service");
    QTest::newRow("a grouped difference of money")
        << u8("select service_moeny - (service_percent - driver_bes) from service")
        << u8("select service_moeny - (service_percent - driver_bes) from service");
    QTest::newRow("a grouped whole difference") << u8("select service_moeny - (driver_id - 1) from service")
                                                << u8("select service_moeny - (driver_id - 1) * 10000 from service");
    QTest::newRow("a grouped balance halved")
        << u8("select (sum(service_percent) - sum(driver_bes)) / 2 from service")
        << u8("select (sum(service_percent) - sum(driver_bes)) / 10000.0 / 2 from service");
    QTest::newRow("a negated sum") << u8("select -(service_moeny + driver_bes) from service")
                                   << u8("select -(service_moeny + driver_bes) from service");
    QTest::newRow("precedence without parentheses") << u8("select driver_id + 1 * service_moeny from service")
                                                    << u8("select driver_id * 10000 + service_moeny from service");
    QTest::newRow("a whole sum times money") << u8("select (driver_id + 1) * service_moeny from service")
                                             << u8("select (driver_id + 1) * service_moeny from service");
}

void TestSqlSubset::groupingAsWritten()
{
    QFETCH(QString, text);
    QFETCH(QString, byHand);
    MemoryDb db;
    seed(db);
    const QString sql = parseSelect(text).sql();
    const QStringList got = db.run(sql);
    QVERIFY2(db.error().isEmpty(), qPrintable(db.error() + u8(" in ") + sql));
    const QStringList expected = db.run(byHand);
    QVERIFY2(db.error().isEmpty(), qPrintable(db.error()));
    QCOMPARE(got, expected);
}

QTEST_APPLESS_MAIN(TestSqlSubset)
#include "tst_sqlsubset.moc"
