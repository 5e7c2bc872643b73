#pragma once
// The dataset the windows work with: a table or a query of the program's SQL dialect, shown as
// a snapshot taken when it was opened.
//
// A plain select keeps the row ids of its snapshot, eight bytes a row, not the rows: it opens
// with its first rows' ids, reads the rest in idle time in slices of a few milliseconds, and
// then ends its read transaction, so that no open list keeps the write-ahead log from being
// reset. Whatever needs every row (a locate, RecordCount, a save) finishes the ids at once.
// Values are read by id as they are shown, and a few hundred rows are kept: the rows and their
// order are those of the opening, until a reopen; a row's values are as read, and a row read
// after its transaction ended shows a correction stored since by another window or program, and
// reads back empty if it was deleted since (a correction of it is then refused).
// A grouped or summed result is small and is read whole when it opens.

#include "data/Currency.h"
#include "data/RowIds.h"
#include "data/Errors.h"
#include "data/SqlSubset.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

namespace agency {

class Connection;
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
    QString Text() const { return m_lines.join(u'\n'); }
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
    // Opens at once; a grouped or summed result is computed by a worker thread, as of this
    // moment, while the program goes on starting. Reading it waits for it; until it is in,
    // RecNo() is -1 and grids see no rows, and reset() follows when it arrives.
    void OpenInBackground();
    void Close();
    void Reopen();
    bool Active() const { return m_state != TDataSetState::dsInactive; }
    TDataSetState State() const { return m_state; }

    void First();
    void Next();
    void Prior();
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty();
    int RecNo() const { return m_cur; }  // 0-based; -1 when there is no row
    void MoveTo(int row);
    int RecordCount();  // reads every row id

    // The first row, in the dataset's order, whose fields (names separated by ";") equal the
    // values: numbers as numbers, text ignoring case and the Arabic and Persian forms of yeh and
    // kaf. It becomes current. False, and the cursor unmoved, when none does.
    bool Locate(const QString& keyFields, const QVariantList& values);

    void Append();
    void Edit();
    void Post();
    // Post; when the store is refused the row goes back into editing with what was typed, so
    // that nothing typed is lost, and the refusal is raised.
    void PostKeepingEdits();
    // Lets `write` set the columns of the row in editing, then posts it. Any failure, in `write`
    // or in the store, drops the row, so that nothing half-written stays pending, and is raised.
    void WriteAndPost(const std::function<void()>& write);
    void Cancel();
    void Delete();

    TField FieldByName(const QString& name);
    int FieldIndex(const QString& name) const;  // -1 when absent
    const QVector<ResultColumn>& Columns() const { return m_query.columns; }

    // For grids: rows offered so far, more on demand.
    int fetchedRows() const { return m_shown; }
    bool canFetchMore() const;
    void fetchMore(int count);
    QVariant value(int row, int column);

    // Values of the row that fields read and write now: the pending row, else the current one.
    QVariant currentValue(int column);
    void setPendingValue(int column, const QVariant& value);
    // Whether the pending row's column was set since Append or Edit.
    bool IsModified(int column) const { return column >= 0 && column < m_modified.size() && m_modified[column]; }
    bool Modified() const { return m_modified.contains(true); }

    // Whether the dataset still holds a read transaction: its row ids are being read in idle
    // time, or its result is being computed in the background.
    bool InSnapshot() const { return m_inSnapshot || m_job; }

signals:
    void reset();              // opened, closed or reopened
    void rowChanged(int row);  // a row's values changed (posted or cancelled)
    void rowInserted(int row);
    void rowRemoved(int row);
    void currentChanged(int row);
    void stateChanged();
    // A result read in the background failed (the server's connection lost): the dataset is
    // closed, and whatever shows it must say so rather than show an empty list.
    void failed(const QString& text);

protected:
    virtual QString selectText() const = 0;
    virtual bool orderByRowid() const { return false; }

private:
    friend class IdleLoader;
    struct BackgroundJob;
    using Row = QVector<QVariant>;
    struct CachedRow {
        int pos = -1;
        qint64 id = 0;
        Row row;
    };

    void prepare();
    int total() const { return int(m_query.plain ? m_ids.size() : m_all.size()); }
    bool stepIds(int count);    // reads up to count more row ids; false once every id is read
    void ensureIds(int count);  // at least count ids, or all there are
    void finishSnapshot();      // every row id read and the read transaction ended
    void restartSnapshot();     // the snapshot taken again after its connection dropped
    bool loadSlice();           // one slice of idle-time reading; true while more remain
    void checkBrowseMode();
    void releaseSnapshot();
    void readWhole();
    void join() const;  // waits for a result being computed in the background
    void adoptJob();
    void cancelJob();
    void jobArrived(quint64 generation);
    const Row& row(int index);
    void readRows(int index);
    CachedRow& cacheSlot(int index);
    void setCurrent(int index);
    bool readBack(qint64 rowid, Row* out);
    void rowWritten(const QString& table, qint64 id);  // drops what is kept of the row, shows it anew
    void checkWidths() const;
    [[noreturn]] void raise(const QString& text, int code = 0) const;
    [[noreturn]] void raiseStore(const Error& e, const Row& attempted = {}) const;

    Database* m_db;
    int m_watch = 0;  // the key of this dataset's listening to rows written
    bool m_writable;
    ParsedQuery m_query;
    QString m_preparedText;  // the text the statements below were prepared for
    std::unique_ptr<Connection> m_conn;
    bool m_inSnapshot = false;
    std::unique_ptr<Statement> m_idStmt;                  // the snapshot's row ids in order, or a whole result
    std::unique_ptr<Statement> m_rowStmt;                 // one row by id
    std::unique_ptr<Statement> m_rangeStmt;               // the rows of an id range, for reading in order
    std::unique_ptr<Statement> m_batchStmt;               // the rows of a list of ids, for reading in order
    QHash<QString, std::shared_ptr<Statement>> m_probes;  // locates, by their SQL
    RowIds m_ids;                                         // a plain select: its row ids, the snapshot
    QVector<Row> m_all;                                   // a grouped or summed result: every row
    QVector<CachedRow> m_cache;                           // recently read rows, by position
    std::shared_ptr<BackgroundJob> m_job;
    quint64 m_generation = 0;
    int m_shown = 0;
    int m_cur = -1;
    bool m_eof = true;
    bool m_bof = true;
    TDataSetState m_state = TDataSetState::dsInactive;
    Row m_pending;
    QVector<bool> m_modified;
    Row m_empty;
    // A store whose commit went unanswered, settled when the next one begins.
    struct UnansweredStore {
        bool inserting = false;
        qint64 rowid = 0;
        QStringList names;
        QVariantList binds;
        bool sameAs(const UnansweredStore& o) const
        {
            return inserting == o.inserting && names == o.names && binds == o.binds && (inserting || rowid == o.rowid);
        }
    };
    std::optional<UnansweredStore> m_unanswered;
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

// Locate, and when the row is not among the dataset's snapshot, the same once more after a reopen:
// a row that another desk stored since the dataset opened is then found too.
bool LocateStored(TDataset* dataset, const QString& keyFields, const QVariantList& values);

// The binding point of grids and bound fields.
struct TDataSource {
    TDataset* DataSet = nullptr;
};

}  // namespace agency
