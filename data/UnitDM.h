#pragma once
// The data module: the one connection and every named dataset of the program.

#include "data/Database.h"
#include "data/Dataset.h"

#include <QObject>

#include <memory>

namespace agency {

class TDM : public QObject {
    Q_OBJECT

public:
    // Opens the database at path and the datasets that are open from the start; raises Error,
    // leaving nothing open, when the database cannot be opened.
    explicit TDM(const QString& path, QObject* parent = nullptr);
    ~TDM() override;

    std::unique_ptr<Database> ADOConnection1;

    TADOTable* ADOTableUser;
    TADOTable* ADOTableDriver;
    TADOTable* ADOTableAcount;
    TADOTable* ADOTableService;
    TADOTable* ADOTablePayeh;
    TADOQuery* QueryDriver;
    TADOQuery* QueryAcount;
    TADOQuery* QueryMaxD;
    TADOQuery* QueryMaxS;
    TADOQuery* QueryMaxDR;
    TADOQuery* QueryMaxA;
    TADOQuery* QueryViewService;
    TADOQuery* QueryViewDriverBes;
    TADOQuery* QueryDriverMande;
    TADOQuery* QueryDriverHesab;
    TADOQuery* QueryDriverHesabJM;
    TADOQuery* QueryAmar;
    TADOQuery* QueryAudit;

    TDataSource DataSourceUser;
    TDataSource DataSourceDriver;
    TDataSource DataSourceAcount;
    TDataSource DataSourceService;
    TDataSource DataSourcePayeh;
    TDataSource DSDriver;
    TDataSource DSAcount;
    TDataSource DSViewService;
    TDataSource DSViewDriverBes;
    TDataSource DSDriverMande;
    TDataSource DSDriverHesab;
    TDataSource DSDriverHesabJM;
    TDataSource DSAmar;
    TDataSource DSAudit;

    // Every dataset, in the order of creation.
    QList<TDataset*> datasets() const;
};

}  // namespace agency

extern agency::TDM* DM;
