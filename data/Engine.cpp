#include "data/Engine.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace agency {

namespace {

// One prepared INSERT a row: what a file takes fastest, its statement compiled once.
class InsertLoader final : public RowLoader {
public:
    InsertLoader(Connection* db, const QString& table, const QStringList& columns)
    {
        QStringList names, marks;
        for (const QString& c : columns) {
            names << u'"' + c + u'"';
            marks << u"?"_s;
        }
        m_insert = db->prepare(u"INSERT INTO \"%1\" (%2) VALUES (%3)"_s.arg(table, names.join(u','), marks.join(u',')));
    }
    void add(const QVariantList& row) override
    {
        m_insert->reset();
        for (int i = 0; i < row.size(); ++i) m_insert->bind(i + 1, row[i]);
        m_insert->step();
    }
    void finish() override {}

private:
    std::unique_ptr<StatementEngine> m_insert;
};

}  // namespace

std::unique_ptr<RowLoader> Connection::load(const QString& table, const QStringList& columns)
{
    return std::make_unique<InsertLoader>(this, table, columns);
}

}  // namespace agency
