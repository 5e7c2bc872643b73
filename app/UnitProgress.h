#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

// The small window shown while the program creates its windows and opens the database, and
// while the main window copies the database.
class TFormProgress : public QWidget {
    Q_OBJECT

public:
    explicit TFormProgress(QWidget* parent = nullptr);
    QLabel* Label1;
    QProgressBar* ProgressBar1;

    // Advances the bar by one; it stops at its maximum.
    void StepIt();
    int Steps() const { return m_steps; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    int m_steps = 0;
};

extern TFormProgress* FormProgress;
