#pragma once

#include "controls/Edits.h"
#include "controls/Form.h"

// The program's own "are you sure?" before a driver or a subscriber is deleted.
class TFormConfirm : public TForm {
    Q_OBJECT

public:
    explicit TFormConfirm(QWidget* parent = nullptr);

    QLabel* Label1;
    TBitBtn* BitBtn1;  // yes
    TBitBtn* BitBtn2;  // no

    // The last answer: true after "بله", false after "خير" or any other way out.
    bool Confirmed = false;

    // Shows the dialog and waits for its answer.
    int ShowModal();

    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void FormShow() override;
    bool FormShortCut(QKeyEvent* event) override;

private:
    bool m_answered = false;
};

extern TFormConfirm* FormConfirm;
