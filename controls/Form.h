#pragma once
// The base of every window: created once, shown and hidden, never re-created.

#include <QDialog>

class TForm : public QDialog {
    Q_OBJECT

public:
    explicit TForm(QWidget* parent = nullptr);

    // Shows the window without waiting; a visible window is only brought to the front.
    void Show();
    // Shows the window and waits until it is closed.
    int ShowModal();

protected:
    // The window's object name and caption, and its size when the window has a fixed one.
    void Frame(const QString& name, const QString& caption, QSize fixedSize = QSize());
    // Runs each time the window goes from hidden to visible.
    virtual void FormShow() {}
    // Esc closes the window; a window that reacts to other keys says so here.
    virtual bool FormShortCut(QKeyEvent* event);

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
