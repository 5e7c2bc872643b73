#pragma once
// What the service and payment windows share: the driver lookup by code, and the two modes of
// the window, a new row by "ثبت" and the correction of a stored one by "ويرايش".

#include "controls/Edits.h"
#include "controls/Form.h"

#include <QList>
#include <QString>
#include <QVariantList>

#include <functional>

class QLineEdit;
class QWidget;

// The driver lookup on Enter in the code field (byEnter) or on leaving it. An empty code opens the
// driver picker for `caller`; a code no driver has says so, then opens it; leaving keeps the focus
// on the code in both cases. A driver found puts his name into `name` and the focus on `next`.
void DriverLookup(TLabeledEdit* code, TLabeledEdit* name, QWidget* next, int caller, bool byEnter);

class TRegistrationForm : public TForm {
    Q_OBJECT

public:
    TBitBtn* BitBtn1;  // "ثبت": a new row
    TBitBtn* BitBtn2;  // "ويرايش": the correction of a stored row

    // False in new-row mode, true while a stored row is being corrected.
    bool EditMode = false;

    // New-row mode, with "ثبت" shown.
    void LeaveCorrection();

protected:
    explicit TRegistrationForm(QWidget* parent);

    // Finds the stored row whose fields (names separated by ";") hold the values, shows the
    // window with each field loaded from its column and the date field from the row's date, and
    // enters correction mode with the focus on `focus`; false, and nothing else done, when none.
    bool OpenStoredRow(const QString& keyFields, const QVariantList& values,
                       const QList<std::pair<QLineEdit*, QString>>& fields, TMaskEdit* date, QWidget* focus);
    // Stores the correction of the loaded row (its id and number) through store, which is false
    // when the row is gone: that is said with goneMessage. Stored, the window empties and closes.
    bool StoreCorrection(const std::function<bool(qint64 row, qint32 number)>& store, const QString& goneMessage);
    virtual void ClearFields() = 0;

private:
    qint64 m_correctedRow = 0;     // id of the stored row being corrected
    qint32 m_correctedNumber = 0;  // and its number, which a correction keeps
};
