#include "data/UnitDM.h"

agency::TDM* DM = nullptr;

namespace agency {

namespace {
QStringList lines(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* s : items) out << QString::fromUtf8(s);
    return out;
}
}  // namespace

TDM::TDM(const QString& path, QObject* parent) : QObject(parent), ADOConnection1(std::make_unique<Database>(path))
{
    setObjectName(QStringLiteral("DM"));
    Database* db = ADOConnection1.get();
    auto table = [&](const char* name, const char* tableName, const char* index = "") {
        return new TADOTable(db, QString::fromLatin1(name), QString::fromLatin1(tableName), QString::fromLatin1(index),
                             this);
    };
    auto query = [&](const char* name, const QStringList& sql) {
        return new TADOQuery(db, QString::fromLatin1(name), sql, this);
    };

    ADOTableUser = table("ADOTableUser", "Users");
    ADOTableDriver = table("ADOTableDriver", "driver");
    ADOTableAcount = table("ADOTableAcount", "acount");
    ADOTableService = table("ADOTableService", "service", "service_id");
    ADOTablePayeh = table("ADOTablePayeh", "payeh");
    QueryDriver = query("QueryDriver", lines({"select *", "from driver"}));
    QueryAcount = query("QueryAcount", lines({"select *", "from acount", "order by acount_id"}));
    QueryMaxD = query("QueryMaxD", lines({"select  max(driver_bes_no)", "from service"}));
    // The third line is a placeholder that the main window's timer replaces with today's date.
    QueryMaxS = query("QueryMaxS", lines({"select  max(service_id)", "from service", "where service_date=''"}));
    QueryMaxDR = query("QueryMaxDR", lines({"select  max(driver_id)", "from driver"}));
    QueryMaxA = query("QueryMaxA", lines({"select  max(acount_id)", "from acount"}));
    QueryViewService =
        query("QueryViewService",
              lines({"select *", "from service", "where service_id<>0", "order by service_date,service_id"}));
    QueryViewDriverBes = query("QueryViewDriverBes", lines({"select *", "from service", "where driver_bes_no<>0"}));
    QueryDriverMande = query(
        "QueryDriverMande",
        lines(
            {"select driver_id,Driver_name,sum(service_percent),sum(Driver_bes),(sum(service_percent)-sum(Driver_bes))",
             "from service", "group by driver_id,Driver_name"}));
    QueryDriverHesab = query("QueryDriverHesab", lines({"select *", "from service"}));
    QueryDriverHesabJM =
        query("QueryDriverHesabJM", lines({"select sum(service_percent),sum(driver_bes)", "from service"}));
    QueryAmar = query(
        "QueryAmar",
        lines({"SELECT Sum(service.service_moeny) AS SumOfservice_moeny, Sum(service.service_percent) AS "
               "SumOfservice_percent, Avg(service.service_moeny) AS AvgOfservice_moeny, sum(service.driver_bes) AS "
               "AvgOfdriver_bes",
               "FROM service;"}));

    DataSourceUser.DataSet = ADOTableUser;
    DataSourceDriver.DataSet = ADOTableDriver;
    DataSourceAcount.DataSet = ADOTableAcount;
    DataSourceService.DataSet = ADOTableService;
    DataSourcePayeh.DataSet = ADOTablePayeh;
    DSDriver.DataSet = QueryDriver;
    DSAcount.DataSet = QueryAcount;
    DSViewService.DataSet = QueryViewService;
    DSViewDriverBes.DataSet = QueryViewDriverBes;
    DSDriverMande.DataSet = QueryDriverMande;
    DSDriverHesab.DataSet = QueryDriverHesab;
    DSDriverHesabJM.DataSet = QueryDriverHesabJM;
    DSAmar.DataSet = QueryAmar;

    // QueryMaxS and QueryMaxA are first opened by the windows that use them. The sums and
    // groups over the whole service table are computed in the background, as of now, so that
    // the login window does not wait for them.
    for (TDataset* ds : datasets())
        if (ds != QueryMaxS && ds != QueryMaxA) ds->OpenInBackground();
}

TDM::~TDM()
{
    // Datasets hold connections of their own; they go before the database.
    for (TDataset* ds : datasets()) delete ds;
}

QList<TDataset*> TDM::datasets() const
{
    return {ADOTableUser,       ADOTableDriver,   ADOTableAcount,   ADOTableService,    ADOTablePayeh, QueryDriver,
            QueryAcount,        QueryMaxD,        QueryMaxS,        QueryMaxDR,         QueryMaxA,     QueryViewService,
            QueryViewDriverBes, QueryDriverMande, QueryDriverHesab, QueryDriverHesabJM, QueryAmar};
}

}  // namespace agency
