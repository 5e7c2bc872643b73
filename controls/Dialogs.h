#pragma once
// Every message, question and preview of the windows goes through one object, so that the
// program shows real boxes and the tests answer from a script.

#include <QString>

#include <functional>

class QWidget;
class Receipt;

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void ShowMessage(const QString& text) = 0;                     // plain message, OK
    virtual bool Confirm(const QString& text) = 0;                         // Yes / No; true for Yes
    virtual bool ConfirmOk(const QString& text) { return Confirm(text); }  // OK / Cancel; true for OK
    virtual void ShowError(const QString& text) = 0;                       // the standard error box
    virtual void Preview(const Receipt& receipt) = 0;                      // returns when the preview is closed
    // The file an export goes to, with the proposed name offered; empty when the desk cancels.
    virtual QString SaveFileName(const QString& /*proposed*/) { return {}; }
};

// The program's real boxes, right to left, with Persian buttons.
class WidgetDialogs : public Dialogs {
public:
    void ShowMessage(const QString& text) override;
    bool Confirm(const QString& text) override;
    bool ConfirmOk(const QString& text) override;
    void ShowError(const QString& text) override;
    void Preview(const Receipt& receipt) override;
    QString SaveFileName(const QString& proposed) override;
};

Dialogs& dialogs();
void setDialogs(Dialogs* d);

// A left-to-right or right-to-left run (a filter, telephone numbers, a file name) set inside
// right-to-left text in its own direction: digits alone read left to right.
QString isolated(const QString& run);
// The text with each run quoted in «» isolated, so that a filter quoted in a Persian sentence
// reads as the desk typed it.
QString isolateQuoted(const QString& text);

// Puts a window's centre on its parent's, or without one on the centre of the window in front of
// the desk, every time it shows; on the screen's centre when no window is in front.
void centreOnParent(QWidget* window, QWidget* parent = nullptr);

// Runs a handler: an error ends the handler and is shown in the standard error box; the
// program goes on.
void guarded(const std::function<void()>& handler);
