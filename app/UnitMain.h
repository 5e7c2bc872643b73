#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QTimer>

#include <functional>

class QAction;
class TFormProgress;

// The program's home after login: the menu, the status bar, the clock and the backup.
class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);

    QString TodayDate;  // empty until the first tick
    QString TodayText;

    QStatusBar* StatusBar1;
    QLabel* Panels[4];  // from the left: time, date, user, nothing
    QTimer* Timer1;
    TFormProgress* BackupProgress;  // shown while a copy is made

    QAction *N2, *N17, *N4, *N5, *N6, *N18, *N20, *N8, *N19, *N22, *N10, *N11, *N16, *N15, *N14;
    QAction* N23;  // the audit trail, for a user with the users right

    // Where the two backup copies go; tests point them elsewhere.
    std::function<QString()> DisketteTarget;
    std::function<QString()> HardDiskTarget;

    void Timer1Timer();
    void N2Click();
    void N17Click();
    void N16Click();

    // The platform's places for "a:\db.mdb" and "c:\db.mdb"; empty when there is no medium.
    static QString removableMediumTarget();
    // The first of the given writable mount points that holds a medium of that user.
    static QString removableMediumTarget(const QStringList& writableMounts, const QString& user);
    static QString hardDiskTarget();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QAction* addItem(QMenu* menu, const char* name, const char16_t* caption, int kind, QKeySequence key,
                     std::function<void()> action);
    // Empty when the copy was made, else why not, in the desk's words; noPlace when there is no target.
    QString backupTo(const QString& target, const QString& noPlace);
    static void terminate();

    bool m_tickErrorShown = false;
    bool m_tickFailing = false;  // the last tick's query failed and was told
};

extern TFormMain* FormMain;
