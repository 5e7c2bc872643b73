#pragma once

#include "controls/DBGrid.h"
#include "controls/Form.h"
#include "data/Currency.h"

#include <QSet>

// Every driver's debit, credit and balance over all dates, current at every showing.
class TFormDriverMande : public TForm {
    Q_OBJECT

public:
    explicit TFormDriverMande(QWidget* parent = nullptr);

    TDBGrid* DBGrid1;

protected:
    void FormShow() override;

private:
    // Drivers over the debt limit when the list was last shown, and that limit.
    QSet<qint32> m_over;
    agency::Currency m_limit;
};

extern TFormDriverMande* FormDriverMande;
