#pragma once

#include "controls/Form.h"

#include <QLabel>
#include <QLineEdit>

// The login window: a password alone lets a user in.
class TFormEnter : public TForm {
    Q_OBJECT

public:
    explicit TFormEnter(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Image1;
    QLineEdit* Edit1;

    void Edit1KeyPress(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void FormShow() override;
    bool FormShortCut(QKeyEvent* event) override;

private:
    void Login();
};

extern TFormEnter* FormEnter;
