#pragma once
// The dataset the windows work with: a table or a query of the program's SQL dialect, shown as
// a snapshot taken when it was opened. Rows are fetched lazily; a plain select keeps only the
// row ids it has stepped over and reads a row's values when they are first needed, so a
// dataset over a million rows opens in milliseconds and costs memory only for what is used.

#include "data/Currency.h"
#include "data/Errors.h"
#include "data/SqlSubset.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

struct sqlite3;

namespace agency {

class Database;
class Statement;
class TDataset;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// A query's text as an ordered list of lines.
class TStrings {
public:
    void Clear() { m_lines.clear(); }
    void Add(const QString& line) { m_lines.append(line); }
    void Delete(int index);
    int Count() const { return int(m_lines.size()); }
    QString operator[](int index) const { return m_lines.value(index); }
    QString Text() const { return m_lines.join(QLatin1Char('\n')); }
    const QStringList& lines() const { return m_lines; }
    void setLines(const QStringList& lines) { m_lines = lines; }

private:
    QStringList m_lines;
};

// One field of the dataset's current (or pending) row.
class TField {
public:
    TField(TDataset* dataset, int index) : m_ds(dataset), m_index(index) {}
    QString FieldName() const;
    FieldType DataType() const;
    QVariant Value() const;
    bool IsNull() const;
    QString AsString() const;
    qint32 AsInteger() const;  // null reads 0
    Currency AsCurrency() const;
    bool AsBoolean() const;
    void SetAsString(const QString& text);
    void SetAsInteger(qint64 value);
    void SetAsCurrency(Currency value);
    void SetAsBoolean(bool value);
    void Clear();

private:
    TDataset* m_ds;
    int m_index;
};

// Conversions between a stored value and the forms the windows read.
QString valueAsString(const QVariant& value, FieldType type);
qint32 valueAsInteger(const QVariant& value, FieldType type);

class TDataset : public QObject {
    Q_OBJECT

public:
    TDataset(Database* db, const QString& name, bool writable, QObject* parent = nullptr);
    ~TDataset() override;

    QString Name() const { return objectName(); }

    void Open();
    void Close();
    void Reopen();
    bool Active() const { return m_state != TDataSetState::dsInactive; }
    TDataSetState State() const { return m_state; }

    void First();
    void Next();
    void Prior();
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    bool IsEmpty();
    int RecNo() const { return m_cur; }  // 0-based; -1 when there is no row
    void MoveTo(int row);
    int RecordCount();  // steps over every row id

    // The first row, in the dataset's order, whose fields (names separated by ";") equal the
    // values, ignoring case; it becomes current. False, and the cursor unmoved, when none does.
    bool Locate(const QString& keyFields, const QVariantList& values);

    void Append();
    void Edit();
    void Post();
    void Cancel();
    void Delete();

    TField FieldByName(const QString& name);
    int FieldIndex(const QString& name) const;  // -1 when absent
    const QVector<ResultColumn>& Columns() const { return m_query.columns; }

    // For grids: rows known so far, more on demand.
    int fetchedRows() const { return int(m_ids.size()); }
    bool canFetchMore() const { return Active() && !m_done; }
    void fetchMore(int count);
    QVariant value(int row, int column);

    // Values of the row that fields read and write now: the pending row, else the current one.
    QVariant currentValue(int column);
    void setPendingValue(int column, const QVariant& value);
    // Whether the pending row's column was set since Append or Edit.
    bool IsModified(int column) const { return column >= 0 && column < m_modified.size() && m_modified[column]; }

signals:
    void reset();             // opened, closed or reopened
    void rowChanged(int row); // a row's values changed (posted or cancelled)
    void rowInserted(int row);
    void rowRemoved(int row);
    void currentChanged(int row);
    void stateChanged();

protected:
    virtual QString selectText() const = 0;
    virtual bool orderByRowid() const { return false; }

private:
    using Row = QVector<QVariant>;

    bool fetchId();
    void checkBrowseMode();
    const Row& row(int index);
    void maybeRelease();
    void releaseSnapshot();
    int indexOfId(qint64 id);
    Row readBack(qint64 rowid);
    void checkWidths() const;
    [[noreturn]] void raise(const QString& text) const;
    [[noreturn]] void raiseStore(const Error& e, const Row& attempted = {}) const;

    Database* m_db;
    bool m_writable;
    ParsedQuery m_query;
    sqlite3* m_conn = nullptr;
    bool m_inSnapshot = false;
    std::unique_ptr<Statement> m_idStmt;
    std::unique_ptr<Statement> m_rowStmt;
    QVector<qint64> m_ids;
    QHash<qint64, Row> m_rows;
    // Rows this dataset inserted, changed or deleted since it was opened: its snapshot has them wrong.
    QSet<qint64> m_touched;
    bool m_done = true;
    int m_cur = -1;
    bool m_eof = true;
    bool m_bof = true;
    TDataSetState m_state = TDataSetState::dsInactive;
    Row m_pending;
    QVector<bool> m_modified;
    Row m_empty;
};

// A dataset over a whole table, ordered by an index's columns.
class TADOTable : public TDataset {
    Q_OBJECT
public:
    TADOTable(Database* db, const QString& name, const QString& table, const QString& indexFields = QString(),
              QObject* parent = nullptr);
    QString TableName;
    QString IndexFieldNames;

protected:
    QString selectText() const override;
    bool orderByRowid() const override { return true; }
};

// A read-only dataset over an SQL text held as lines.
class TADOQuery : public TDataset {
    Q_OBJECT
public:
    TADOQuery(Database* db, const QString& name, const QStringList& lines, QObject* parent = nullptr);
    TStrings SQL;

protected:
    QString selectText() const override { return SQL.Text(); }
};

// Walks the dataset from its first row and stops on the first whose integer field equals code;
// false, and the dataset past its last row, when none does.
bool WalkToCode(TDataset* dataset, const QString& field, qint32 code);

// The binding point of grids and bound fields.
struct TDataSource {
    TDataset* DataSet = nullptr;
};

}  // namespace agency
