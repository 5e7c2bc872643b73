#pragma once
// A window's Enter chain and leave handlers, kept as a table of pairs rather than a page of ifs.

#include <QHash>
#include <QObject>

#include <functional>

class QWidget;

class KeyChain : public QObject {
    Q_OBJECT

public:
    explicit KeyChain(QObject* parent) : QObject(parent) {}

    // Enter in `from` runs the action (inside the error guard).
    void onEnter(QWidget* from, std::function<void()> action);
    // Enter in `from` moves the focus to `to`.
    void enterTo(QWidget* from, QWidget* to);
    // The focus leaving `from` for another control of the window runs the action.
    void onExit(QWidget* from, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QObject*, std::function<void()>> m_enter;
    QHash<QObject*, std::function<void()>> m_exit;
};

// Puts the focus on a control now, as a handler's SetFocus does.
void SetFocus(QWidget* w);
