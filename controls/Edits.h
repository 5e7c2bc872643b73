#pragma once
// The edits and buttons the windows are built of.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// A caption in the bold the windows give their captions.
QLabel* MakeBoldLabel(const QString& caption, QWidget* parent);

// A one-line edit with its caption label; selects its whole text whenever it gets the focus.
class TLabeledEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TLabeledEdit(const QString& caption, QWidget* parent = nullptr);
    // The same, named for the tests and the key chains that find it by name.
    TLabeledEdit(const QString& caption, const QString& name, QWidget* parent);
    QLabel* EditLabel;

    // Persian and Arabic-Indic digits typed here arrive as ASCII digits.
    void setDigitsOnlyAscii(bool on) { m_asciiDigits = on; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_asciiDigits = false;
};

// The Solar date field: yyyy/mm/dd, left to right. A month typed as one digit gets its zero when
// the field is left. A report's date that is still not whole (blank year or day digits, no such
// day) cannot be left, by Enter, Tab or a click, and says InvalidMessage; Esc and other windows
// taking over still leave it. A registration window refuses such a date when it stores.
class TMaskEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TMaskEdit(QWidget* parent = nullptr);
    // The date as the desk meant it ("1405/9 /17" is "1405/09/17"); otherwise the ten characters
    // as typed, blanks as spaces.
    QString Text() const;
    void SetText(const QString& text);
    // Text() is a whole, real date.
    bool IsComplete() const;
    // Before the field is left: completes what it shows, or says InvalidMessage and keeps the focus.
    bool Validate();
    QString InvalidMessage;
    bool RefuseWhenNotWhole = false;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    bool m_refusing = false;
};

// A date field named `name` with its bold caption; the caller lays them out.
void MakeDateField(QWidget* parent, QLabel*& label, TMaskEdit*& edit, const QString& caption, const QString& name);

// The two date fields of a report, "تاريخ" and "تا تاريخ", each with its bold caption, named
// as the report windows name them; the caller lays them out.
void MakeDateRange(QWidget* parent, QLabel*& Label5, TMaskEdit*& MaskEdit1, QLabel*& Label6, TMaskEdit*& MaskEdit2);

// A button that Enter presses when it has the focus, and that no Enter elsewhere presses.
class TBitBtn : public QPushButton {
    Q_OBJECT

public:
    explicit TBitBtn(const QString& caption, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Replaces a typed Persian or Arabic-Indic digit by its ASCII digit; true when it did.
bool translateDigitKey(QKeyEvent* event, QWidget* receiver);
