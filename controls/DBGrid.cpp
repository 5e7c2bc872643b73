#include "controls/DBGrid.h"

#include "controls/Dialogs.h"
#include "data/Currency.h"
#include "data/Errors.h"

#include <QApplication>
#include <QColor>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>

using namespace Qt::StringLiterals;
using agency::TDataset;
using agency::TDataSetState;

namespace {

constexpr int kFetchChunk = 256;

bool pending(const TDataset* ds)
{
    return ds && (ds->State() == TDataSetState::dsEdit || ds->State() == TDataSetState::dsInsert);
}

}  // namespace

// ---- TDBGridModel ----

TDBGridModel::TDBGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void TDBGridModel::SetDataSet(TDataset* dataset)
{
    if (m_ds) disconnect(m_ds, nullptr, this, nullptr);
    m_ds = dataset;
    if (m_ds) {
        connect(m_ds, &TDataset::reset, this, &TDBGridModel::reset);
        connect(m_ds, &TDataset::failed, this, [](const QString& text) { dialogs().ShowError(text); });
        connect(m_ds, &TDataset::rowInserted, this, &TDBGridModel::sync);
        connect(m_ds, &TDataset::stateChanged, this, &TDBGridModel::sync);
        connect(m_ds, &TDataset::rowRemoved, this, &TDBGridModel::removed);
        connect(m_ds, &TDataset::rowChanged, this, [this](int row) {
            sync();
            if (row >= 0 && row < m_rows) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        });
    }
    reset();
}

void TDBGridModel::SetColumns(const QVector<TColumn>& columns)
{
    beginResetModel();
    m_columns = columns;
    m_fields.clear();
    for (const TColumn& c : m_columns) m_fields << (m_ds ? m_ds->FieldIndex(c.FieldName) : -1);
    endResetModel();
}

int TDBGridModel::fieldIndex(int column) const
{
    // A query's columns are known once it is open: look them up again then.
    if (!m_ds || column < 0 || column >= m_columns.size()) return -1;
    return m_ds->FieldIndex(m_columns[column].FieldName);
}

void TDBGridModel::reset()
{
    beginResetModel();
    m_rows = m_ds && m_ds->Active() ? m_ds->fetchedRows() + (m_ds->State() == TDataSetState::dsInsert ? 1 : 0) : 0;
    m_removing = -1;
    endResetModel();
}

void TDBGridModel::sync()
{
    if (m_syncing) {
        m_dirty = true;
        return;
    }
    const QScopedValueRollback<bool> syncing(m_syncing, true);
    do {
        m_dirty = false;
        syncOnce();
    } while (m_dirty);
}

void TDBGridModel::syncOnce()
{
    const int target =
        m_ds && m_ds->Active() ? m_ds->fetchedRows() + (m_ds->State() == TDataSetState::dsInsert ? 1 : 0) : 0;
    if (target > m_rows) {
        beginInsertRows({}, m_rows, target - 1);
        m_rows = target;
        endInsertRows();
    } else if (target < m_rows) {
        beginRemoveRows({}, target, m_rows - 1);
        m_rows = target;
        endRemoveRows();
    }
    // A posted new row takes the place of the pending one: same count, new values.
    if (m_rows > 0) emit dataChanged(index(m_rows - 1, 0), index(m_rows - 1, columnCount() - 1));
}

void TDBGridModel::removed(int row)
{
    if (row < 0 || row >= m_rows) {
        sync();
        return;
    }
    // The dataset has already let the row go; until the views are told, rows below it read one down.
    {
        const QScopedValueRollback<bool> syncing(m_syncing, true);
        m_removing = row;
        beginRemoveRows({}, row, row);
        m_rows -= 1;
        m_removing = -1;
        endRemoveRows();
    }
    sync();
}

int TDBGridModel::PendingRow() const
{
    // It follows the rows read so far; the views may not have been told of it yet.
    if (!m_ds || m_ds->State() != TDataSetState::dsInsert || m_removing >= 0) return -1;
    const int row = m_ds->fetchedRows();
    return row < m_rows ? row : -1;
}

QVariant TDBGridModel::cell(int row, int column) const
{
    const int field = fieldIndex(column);
    if (field < 0) return {};
    if (row == PendingRow() || (m_ds->State() == TDataSetState::dsEdit && row == m_ds->RecNo()))
        return m_ds->currentValue(field);
    int source = row;
    if (m_removing >= 0 && row > m_removing)
        source = row - 1;
    else if (m_removing == row)
        return {};
    return m_ds->value(source, field);
}

QString TDBGridModel::Text(int row, int column) const
{
    const int field = fieldIndex(column);
    if (field < 0) return {};
    return agency::valueAsString(cell(row, column), m_ds->Columns()[field].type);
}

int TDBGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TDBGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TDBGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_columns.size()) return {};
    const bool noted = (role == Qt::BackgroundRole || role == Qt::ToolTipRole) && RowNote;
    if (role != Qt::DisplayRole && role != Qt::EditRole && !noted) return {};
    // Asked while painting, where no message may open: a cell the file cannot give is drawn empty.
    try {
        if (noted) {
            const QString note = RowNote(index.row());
            if (note.isEmpty()) return {};
            return role == Qt::ToolTipRole ? QVariant(note) : QVariant(QColor(255, 214, 214));
        }
        const QString text = Text(index.row(), index.column());
        const int field = fieldIndex(index.column());
        const agency::FieldType type = field < 0 ? agency::FieldType::Text : m_ds->Columns()[field].type;
        const bool number = type == agency::FieldType::Currency || type == agency::FieldType::Integer ||
                            type == agency::FieldType::Float;
        return role == Qt::DisplayRole && number ? agency::displayAmount(text) : text;
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
        return {};
    }
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) return m_columns[section].Title;
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    const int field = fieldIndex(index.column());
    if (m_editable && field >= 0 && m_ds->Columns()[field].sourceColumn >= 0 &&
        m_ds->Columns()[field].type != agency::FieldType::AutoInc)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TDBGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    const int field = fieldIndex(index.column());
    const QString text = value.toString();
    // An unchanged cell does not put the row into editing.
    if (!pending(m_ds) && text == Text(index.row(), index.column())) return false;
    bool ok = false;
    guarded([&] {
        if (!pending(m_ds)) {
            m_ds->MoveTo(index.row());
            m_ds->Edit();
        }
        agency::TField(m_ds, field).SetAsString(text);
        ok = true;
    });
    if (ok) emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    return ok;
}

bool TDBGridModel::canFetchMore(const QModelIndex& parent) const
{
    // A pending new row stands after the rows read so far: reading more would move it.
    return !parent.isValid() && !m_syncing && m_ds && m_ds->canFetchMore() && m_ds->State() != TDataSetState::dsInsert;
}

void TDBGridModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent)) return;
    guarded([this] { m_ds->fetchMore(kFetchChunk); });
    sync();
}

void TDBGridModel::FetchAll()
{
    while (canFetchMore({})) {
        m_ds->fetchMore(kFetchChunk);
        sync();
    }
}

// ---- TDBGrid ----

// Esc in a cell being typed abandons the row and closes the window, as Esc in the grid does.
class TDBGridDelegate : public QStyledItemDelegate {
public:
    explicit TDBGridDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

protected:
    bool eventFilter(QObject* editor, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            auto* w = qobject_cast<QWidget*>(editor);
            emit closeEditor(w, QAbstractItemDelegate::RevertModelCache);
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(m_grid, &esc);
            return true;
        }
        return QStyledItemDelegate::eventFilter(editor, event);
    }

private:
    TDBGrid* m_grid;
};

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), m_model(new TDBGridModel(this))
{
    setModel(m_model);
    setItemDelegate(new TDBGridDelegate(this));
    setLayoutDirection(Qt::RightToLeft);
    QFont f = font();
    f.setBold(true);
    setFont(f);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setStretchLastSection(true);
    // Ctrl+E exports from wherever the focus is in the grid's window, a filter field included.
    if (parent) InstallExportKey(parent, [this] { ExportDialog(); });
}

TDBGrid::TDBGrid(QWidget* parent, agency::TDataSource* source, const QVector<TColumn>& columns) : TDBGrid(parent)
{
    setObjectName(u"DBGrid1"_s);
    SetDataSource(source);
    SetColumns(columns);
}

void TDBGrid::SetDataSource(agency::TDataSource* source)
{
    TDataset* ds = source ? source->DataSet : nullptr;
    if (DataSet()) disconnect(DataSet(), nullptr, this, nullptr);
    m_model->SetDataSet(ds);
    if (ds) {
        connect(ds, &TDataset::currentChanged, this, &TDBGrid::FollowDataSet);
        connect(ds, &TDataset::reset, this, [this] { FollowDataSet(DataSet()->RecNo()); });
        connect(ds, &TDataset::stateChanged, this, [this] {
            if (const int row = m_model->PendingRow(); row >= 0) FollowDataSet(row);
        });
    }
}

void TDBGrid::SetColumns(const QVector<TColumn>& columns)
{
    m_model->SetColumns(columns);
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].Width > 0) setColumnWidth(i, columns[i].Width);
    FollowDataSet(DataSet() ? DataSet()->RecNo() : -1);
}

void TDBGrid::SetEditable(bool editable)
{
    m_editable = editable;
    m_model->SetEditable(editable);
    setEditTriggers(editable ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                                   QAbstractItemView::EditKeyPressed
                             : QAbstractItemView::NoEditTriggers);
}

bool TDBGrid::Editing() const
{
    return pending(DataSet());
}

void TDBGrid::FollowDataSet(int row)
{
    if (m_following) return;
    const QScopedValueRollback<bool> following(m_following, true);
    m_model->sync();
    if (row < 0 || row >= m_model->rowCount()) {
        if (row < 0) selectionModel()->clearCurrentIndex();
        return;
    }
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(m_model->index(row, column));
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    // The base commits a cell being typed before anything else happens.
    QTableView::currentChanged(current, previous);
    if (m_following || !DataSet() || current.row() == previous.row()) return;
    if (m_editable && previous.isValid() && !LeaveRow()) {
        const QScopedValueRollback<bool> following(m_following, true);
        const int back = m_model->PendingRow() >= 0 ? m_model->PendingRow() : DataSet()->RecNo();
        setCurrentIndex(m_model->index(back, previous.column()));
        return;
    }
    if (current.isValid() && current.row() != m_model->PendingRow()) {
        const QScopedValueRollback<bool> following(m_following, true);
        guarded([&] { DataSet()->MoveTo(current.row()); });
        // Storing the row left moves the dataset, and the view with it, onto the stored row: the view
        // goes back to where the dataset now stands, so that a delete takes the row the desk sees.
        const int row = DataSet()->RecNo();
        if (row >= 0 && row != currentIndex().row()) setCurrentIndex(m_model->index(row, current.column()));
    }
}

bool TDBGrid::LeaveRow()
{
    TDataset* ds = DataSet();
    if (!pending(ds)) return true;
    if (ds->State() == TDataSetState::dsInsert && !ds->Modified()) {
        ds->Cancel();  // a new row left as it began is dropped
        return true;
    }
    for (const QString& field : std::as_const(m_required)) {
        if (ds->currentValue(ds->FieldIndex(field)).toString().isEmpty()) {
            dialogs().ShowMessage(u"اطلاعات كامل نيست"_s);
            return false;
        }
    }
    // Refused: the row stays in editing with what was typed, and nothing is stored.
    bool stored = false;
    guarded([&] {
        ds->PostKeepingEdits();
        stored = true;
    });
    return stored;
}

void TDBGrid::BeginNewRow()
{
    if (!LeaveRow()) return;
    guarded([this] {
        // The new row goes after the last row of the whole table.
        m_model->FetchAll();
        DataSet()->Append();
        FollowDataSet(m_model->PendingRow());
    });
}

void TDBGrid::DeleteRow()
{
    if (!dialogs().ConfirmOk(u"Delete record?"_s)) return;
    guarded([this] { DataSet()->Delete(); });
}

void TDBGrid::Abandon()
{
    if (Editing()) DataSet()->Cancel();
}

void TDBGrid::GoToEnd()
{
    guarded([this] { m_model->FetchAll(); });
    if (m_model->rowCount() > 0)
        setCurrentIndex(m_model->index(m_model->rowCount() - 1, qMax(0, currentIndex().column())));
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (state() != QAbstractItemView::EditingState) emit Activated();
        event->accept();
        return;
    }
    if (key == Qt::Key_Escape) {
        Abandon();
        event->ignore();  // the window closes on it
        return;
    }
    if (ctrl && key == Qt::Key_End) {
        GoToEnd();
        event->accept();
        return;
    }
    if (m_editable) {
        if (key == Qt::Key_Insert) {
            BeginNewRow();
            event->accept();
            return;
        }
        if (key == Qt::Key_Down && currentIndex().row() == m_model->rowCount() - 1 && !m_model->canFetchMore({})) {
            if (m_model->PendingRow() < 0) BeginNewRow();
            event->accept();
            return;
        }
        if (ctrl && key == Qt::Key_Delete) {
            DeleteRow();
            event->accept();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_editable) {
        QTableView::mouseDoubleClickEvent(event);
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid()) emit Activated();
}

void TDBGrid::hideEvent(QHideEvent* event)
{
    // A window closed in the middle of typing keeps nothing half-done for another window to store.
    if (m_editable && !event->spontaneous()) Abandon();
    QTableView::hideEvent(event);
}

void TDBGrid::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(u"خروجي ..."_s, QKeySequence(Qt::CTRL | Qt::Key_E), this, &TDBGrid::ExportDialog);
    menu.exec(event->globalPos());
}

// ---- TDBText ----

TDBText::TDBText(QWidget* parent) : QLabel(parent) {}

void TDBText::SetField(agency::TDataSource* source, const QString& field)
{
    if (m_ds) disconnect(m_ds, nullptr, this, nullptr);
    m_ds = source ? source->DataSet : nullptr;
    m_field = field;
    if (m_ds) {
        for (auto signal : {&TDataset::reset, &TDataset::stateChanged}) connect(m_ds, signal, this, &TDBText::Refresh);
        for (auto signal : {&TDataset::currentChanged, &TDataset::rowChanged})
            connect(m_ds, signal, this, &TDBText::Refresh);
    }
    Refresh();
}

void TDBText::Refresh()
{
    QString text;
    if (m_ds && m_ds->Active() && m_ds->FieldIndex(m_field) >= 0 && (m_ds->RecNo() >= 0 || pending(m_ds)))
        guarded([&] {
            const agency::TField field = m_ds->FieldByName(m_field);
            text = field.DataType() == agency::FieldType::Text ? field.AsString()
                                                               : agency::displayAmount(field.AsString());
        });
    setText(text);
}
