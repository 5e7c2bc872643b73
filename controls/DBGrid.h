#pragma once
// The one grid of the program: a table bound to a dataset, read lazily, sharing the dataset's
// current row with every other window that uses it. Read-only (the pickers and the reports:
// Enter and double-click are the window's) or editable in place (the registers and the users).

#include "controls/Export.h"
#include "data/Dataset.h"

#include <QAbstractTableModel>
#include <QLabel>
#include <QTableView>

#include <functional>

struct TColumn {
    QString FieldName;
    QString Title;
    int Width = 0;  // pixels; 0 leaves it to the grid
};

// The rows of a dataset as a table model. It keeps its own row count and moves it only inside
// the model's insert and remove notifications, so that views never see a count they were not told of.
class TDBGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TDBGridModel(QObject* parent = nullptr);

    void SetDataSet(agency::TDataset* dataset);
    agency::TDataset* DataSet() const { return m_ds; }
    void SetColumns(const QVector<TColumn>& columns);
    const QVector<TColumn>& Columns() const { return m_columns; }
    void SetEditable(bool editable) { m_editable = editable; }
    // The note of a row the window marks, drawn on a warning colour and shown over it; empty for
    // an ordinary row.
    std::function<QString(int row)> RowNote;

    // The row that stands for the dataset's pending new row, -1 when there is none.
    int PendingRow() const;
    // Takes in the rows the dataset has read since the model last looked (a locate reads ahead).
    void sync();
    // The shown text of a cell, as the desk reads it.
    QString Text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // Reads the whole result, not only what was read so far; a failure is raised, once.
    void FetchAll();
    // Storing is the grid's, when the focus leaves the row.
    bool submit() override { return true; }
    void revert() override {}

private:
    void reset();
    void syncOnce();
    void removed(int row);
    int fieldIndex(int column) const;
    QVariant cell(int row, int column) const;

    agency::TDataset* m_ds = nullptr;
    QVector<TColumn> m_columns;
    QVector<int> m_fields;  // the dataset's column of each grid column, -1 when absent
    bool m_editable = false;
    QStringList m_required;
    int m_rows = 0;
    int m_removing = -1;  // while views are told of a removal: the row that went
    // Views fetch more while they are told of new rows: that waits for the telling to end.
    bool m_syncing = false;
    bool m_dirty = false;
};

class TDBGrid : public QTableView {
    Q_OBJECT

public:
    explicit TDBGrid(QWidget* parent = nullptr);
    // The list of a window: named "DBGrid1", on the source, with the columns.
    TDBGrid(QWidget* parent, agency::TDataSource* source, const QVector<TColumn>& columns);

    void SetDataSource(agency::TDataSource* source);
    void SetColumns(const QVector<TColumn>& columns);
    void SetEditable(bool editable);
    // Fields a row edited in place may not be stored without, checked in this order.
    void SetRequired(const QStringList& fields) { m_required = fields; }
    bool Editable() const { return m_editable; }
    agency::TDataset* DataSet() const { return m_model->DataSet(); }
    TDBGridModel* Model() const { return m_model; }

    // What an export says of the filter that made the list (the window sets it as it filters),
    // the totals it puts under the columns, the sentences under them, and the name it proposes.
    TFilterText ExportFilter;
    std::function<QStringList()> ExportTotals;
    std::function<QStringList()> ExportFooter;
    std::function<QString()> ExportName;
    // Asks for a file and writes what the grid shows there (Ctrl+E and the context menu).
    void ExportDialog();
    // The export of the rows read so far.
    TExportSheet Sheet() const;

signals:
    // Enter (with no cell being edited) or a double-click on a row of a read-only grid.
    void Activated();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void hideEvent(QHideEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class TDBGridDelegate;
    bool Editing() const;
    // Stores or drops the row being left; false, with the row back in editing, when the store failed.
    bool LeaveRow();
    void BeginNewRow();
    void DeleteRow();
    void Abandon();
    void FollowDataSet(int row);
    void GoToEnd();

    TDBGridModel* m_model;
    bool m_editable = false;
    QStringList m_required;
    bool m_following = false;
};

// A label that shows one field of its dataset's current row (blank for null or no row).
class TDBText : public QLabel {
    Q_OBJECT

public:
    explicit TDBText(QWidget* parent = nullptr);
    void SetField(agency::TDataSource* source, const QString& field);

private:
    void Refresh();
    agency::TDataset* m_ds = nullptr;
    QString m_field;
};
