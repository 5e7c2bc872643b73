#pragma once

#include "controls/Edits.h"
#include "controls/Form.h"

// Shown when the working folder holds no database: asks for the agency and its first user and
// creates the database; Esc ends without creating anything.
class TFormNewDatabase : public TForm {
    Q_OBJECT

public:
    explicit TFormNewDatabase(const QString& path, QWidget* parent = nullptr);

    TLabeledEdit* EditTitle;
    TLabeledEdit* EditPercent;
    TLabeledEdit* EditUserName;
    TLabeledEdit* EditPassword;
    TLabeledEdit* EditPassword2;

    bool Created() const { return m_created; }

protected:
    void FormShow() override;

private:
    void Create();

    QString m_path;
    bool m_created = false;
};
