#pragma once

#include "controls/DBGrid.h"
#include "controls/Edits.h"
#include "controls/Form.h"
#include "data/Totals.h"

class KeyChain;
class QChartView;

// Fares, the agency's share and the drivers' payments over a range of dates, and under them a
// chart of the services and the share of each day of the range.
class TFormAmar : public TForm {
    Q_OBJECT

public:
    explicit TFormAmar(QWidget* parent = nullptr);

    QLabel *Label5, *Label6;
    TMaskEdit* MaskEdit1;
    TMaskEdit* MaskEdit2;
    QLabel *Label1, *Label2, *Label3, *Label4;
    TDBText *DBText1, *DBText2, *DBText3, *DBText4;
    QChartView* ChartView1;

    void MaskEdit1KeyPress();
    void MaskEdit2KeyPress();

protected:
    void FormShow() override;

private:
    // What an export writes: the totals of the last range run, headed by that range.
    TExportSheet Sheet() const;
    // Draws the days of the range, the first at the right as a Persian reader reads.
    void DrawChart(const QVector<agency::DayTotals>& days);

    KeyChain* m_keys;
    TFilterText m_filter;
};

extern TFormAmar* FormAmar;
