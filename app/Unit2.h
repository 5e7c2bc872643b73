#pragma once

#include "controls/Form.h"

#include <QLabel>
#include <QTimer>

// The about window: a count-down 3, 2, 1 of shrinking digits, then a growing credits picture.
class TForm2 : public TForm {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Image1;
    QTimer* Timer1;
    QTimer* Timer2;

    void Timer1Timer();
    void Timer2Timer();
    void Image1Click();

protected:
    void FormShow() override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ResetForNextShowing();
};

extern TForm2* Form2;
