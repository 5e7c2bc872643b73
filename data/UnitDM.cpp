#include "data/UnitDM.h"

using namespace Qt::StringLiterals;

agency::TDM* DM = nullptr;

namespace agency {

TDM::TDM(const QString& path, QObject* parent) : QObject(parent), ADOConnection1(std::make_unique<Database>(path))
{
    setObjectName(u"DM"_s);
    Database* db = ADOConnection1.get();
    auto table = [&](const QString& name, const QString& tableName, const QString& index = QString()) {
        return new TADOTable(db, name, tableName, index, this);
    };
    auto query = [&](const QString& name, const QStringList& sql) { return new TADOQuery(db, name, sql, this); };

    ADOTableUser = table(u"ADOTableUser"_s, u"Users"_s);
    ADOTableDriver = table(u"ADOTableDriver"_s, u"driver"_s);
    ADOTableAcount = table(u"ADOTableAcount"_s, u"acount"_s);
    // The service table is only appended to, located in and rewritten, never walked, and the rows a
    // locate compares share their number, so its index's order would find the same row as the
    // stored order; the stored order keeps the list of ten million rows a few hundred kilobytes.
    ADOTableService = table(u"ADOTableService"_s, u"service"_s);
    ADOTablePayeh = table(u"ADOTablePayeh"_s, u"payeh"_s);
    QueryDriver = query(u"QueryDriver"_s, QStringList({u"select *"_s, u"from driver"_s}));
    QueryAcount = query(u"QueryAcount"_s, QStringList({u"select *"_s, u"from acount"_s, u"order by acount_id"_s}));
    QueryMaxD = query(u"QueryMaxD"_s, QStringList({u"select  max(driver_bes_no)"_s, u"from service"_s}));
    // The third line is a placeholder that the main window's timer replaces with today's date.
    QueryMaxS = query(u"QueryMaxS"_s,
                      QStringList({u"select  max(service_id)"_s, u"from service"_s, u"where service_date=''"_s}));
    QueryMaxDR = query(u"QueryMaxDR"_s, QStringList({u"select  max(driver_id)"_s, u"from driver"_s}));
    QueryMaxA = query(u"QueryMaxA"_s, QStringList({u"select  max(acount_id)"_s, u"from acount"_s}));
    QueryViewService =
        query(u"QueryViewService"_s, QStringList({u"select *"_s, u"from service"_s, u"where service_id<>0"_s,
                                                  u"order by service_date,service_id"_s}));
    QueryViewDriverBes =
        query(u"QueryViewDriverBes"_s, QStringList({u"select *"_s, u"from service"_s, u"where driver_bes_no<>0"_s}));
    QueryDriverMande = query(
        u"QueryDriverMande"_s,
        QStringList(
            {u"select driver_id,Driver_name,sum(service_percent),sum(Driver_bes),(sum(service_percent)-sum(Driver_bes))"_s,
             u"from service"_s, u"group by driver_id,Driver_name"_s}));
    QueryDriverHesab = query(u"QueryDriverHesab"_s, QStringList({u"select *"_s, u"from service"_s}));
    QueryDriverHesabJM = query(u"QueryDriverHesabJM"_s,
                               QStringList({u"select sum(service_percent),sum(driver_bes)"_s, u"from service"_s}));
    QueryAmar = query(
        u"QueryAmar"_s,
        QStringList(
            {u"SELECT Sum(service.service_moeny) AS SumOfservice_moeny, Sum(service.service_percent) AS "_s
             u"SumOfservice_percent, Avg(service.service_moeny) AS AvgOfservice_moeny, sum(service.driver_bes) AS "_s
             u"AvgOfdriver_bes"_s,
             u"FROM service;"_s}));
    // The audit window writes its condition as the third line and opens it.
    QueryAudit =
        query(u"QueryAudit"_s, QStringList({u"select *"_s, u"from audit"_s, u"where id=0"_s, u"order by id"_s}));

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
    DSAudit.DataSet = QueryAudit;

    // QueryMaxS, QueryMaxA and QueryAudit are first opened by the windows that use them. The sums and
    // groups over the whole service table are computed in the background, as of now, so that
    // the login window does not wait for them.
    try {
        for (TDataset* ds : datasets())
            if (ds != QueryMaxS && ds != QueryMaxA && ds != QueryAudit) ds->OpenInBackground();
    } catch (...) {
        // The datasets listen to the database, which goes with this object's members before its
        // children would: they go first.
        for (TDataset* ds : datasets()) delete ds;
        throw;
    }
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
            QueryViewDriverBes, QueryDriverMande, QueryDriverHesab, QueryDriverHesabJM, QueryAmar,     QueryAudit};
}

}  // namespace agency
