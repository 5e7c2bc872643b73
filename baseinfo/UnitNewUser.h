#pragma once

#include "controls/Edits.h"
#include "controls/Form.h"

class KeyChain;

// A new user: a name and a password typed twice; Enter in the repetition stores him.
class TFormNewUser : public TForm {
    Q_OBJECT

public:
    explicit TFormNewUser(QWidget* parent = nullptr);

    TLabeledEdit* LabeledEdit1;  // name
    TLabeledEdit* LabeledEdit2;  // password
    TLabeledEdit* LabeledEdit3;  // password again

    // Enter in the repetition field.
    virtual void LabeledEdit3KeyPress();

    // Each says why, in a message, when the name or the password cannot be stored.
    // A name must fit its column: it is not cut short behind the desk's back.
    static bool NameFits(const QString& name);
    // The login knows a user by his password alone: no two users may share one.
    static bool PasswordFree(const QString& password, qint64 ownId = -1);
    // Writes the name and a fresh hash of the password into the users table's row in editing,
    // and stores it; a refusal leaves nothing pending.
    static void StoreUserRow(const QString& name, const QString& password);

protected:
    void FormShow() override;

    KeyChain* m_keys;
};

extern TFormNewUser* FormNewUser;
