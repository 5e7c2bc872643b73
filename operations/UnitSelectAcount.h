#pragma once

#include "controls/Picker.h"

// Finds a subscriber by name and hands him to the service window.
class TFormSelectAcount : public TPicker {
    Q_OBJECT

public:
    explicit TFormSelectAcount(QWidget* parent = nullptr);

    TLabeledEdit* EditAcountName;

    void EditAcountNameKeyUp() { Research(); }
    // Opens on those subscribers alone (the ones a telephone found), the list focused; a choice
    // then also shows the chosen one's last services.
    void ShowCodes(const QVector<qint32>& codes);
    void DBGrid1KeyPress() override;
    void BitBtn1Click() override;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    bool m_byPhone = false;  // opened on the subscribers of one telephone
};

extern TFormSelectAcount* FormSelectAcount;
