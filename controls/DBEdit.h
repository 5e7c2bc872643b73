#pragma once
// A one-line edit bound to one field of a dataset's current row: it shows the field, the first
// change typed puts the row into editing, and leaving it writes the text into the pending row,
// so that every reader of the dataset sees the new value at once, before anything is stored.

#include <QLineEdit>

#include <functional>

namespace agency {
class TDataset;
struct TDataSource;
}  // namespace agency

class TDBEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TDBEdit(QWidget* parent = nullptr);

    // Binds the edit; a text column also limits the typed length to its width.
    void SetField(agency::TDataSource* source, const QString& field);
    agency::TDataset* DataSet() const { return m_ds; }
    QString FieldName() const { return m_field; }

    // Raises Error, in the desk's words, for a text the field may not take; run before it is written.
    std::function<void(const QString&)> Check;

    // Writes a changed text into the row being edited; raises the field's conversion error,
    // keeping the text, when the field refuses it.
    void UpdateRecord();
    // Drops what was typed and shows the field again.
    void Reset();
    bool Modified() const { return m_modified; }

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Refresh();
    void Changed();
    bool IntegerField() const;

    agency::TDataset* m_ds = nullptr;
    QString m_field;
    bool m_modified = false;
};
