#pragma once
// The whole program on one database: the data module and every window, created in start-up
// order and torn down by one call, so that a test can build a fresh program for each case.

#include <QString>

#include <memory>

class Dialogs;

class Program {
public:
    // Creates every window and the data module in start-up order, advancing the progress bar
    // when one is given. Raises agency::Error, with nothing left behind, when the database
    // cannot be opened.
    static std::unique_ptr<Program> build(const QString& databasePath, Dialogs* dialogs, bool showProgress = false);
    ~Program();

    // How often the progress bar was advanced, and where it stood at the end.
    int progressSteps = 0;
    int progressPosition = 0;

private:
    Program() = default;
    void teardown();
};
