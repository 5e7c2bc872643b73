#pragma once
// A whole program on a fresh temporary database, with message boxes that answer from a script.

#include "app/Program.h"
#include "controls/Dialogs.h"
#include "data/Database.h"

#include <QDateTime>
#include <QFont>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class ScriptedDialogs : public Dialogs {
public:
    QStringList log;              // every text shown, in order, prefixed by its kind
    QStringList messages;         // plain messages
    QStringList errors;           // standard error boxes
    QStringList questions;        // confirmations asked
    QList<bool> answers;          // answers to give, in order; No once they run out
    QList<QStringList> previews;  // the captions of each previewed receipt, item by item
    std::function<void(const Receipt&)> onPreview;
    QStringList saveAnswers;    // files chosen for exports, in order; cancelled once they run out
    QStringList proposedNames;  // the names the export dialog proposed

    void ShowMessage(const QString& text) override;
    bool Confirm(const QString& text) override;
    void ShowError(const QString& text) override;
    void Preview(const Receipt& receipt) override;
    QString SaveFileName(const QString& proposed) override;
    void clear();
};

class Fixture {
public:
    static constexpr const char16_t* kPassword = u"1234";

    // A new database (title, 10 percent, one user "مدير" with password 1234) and the program
    // built on it; logged in unless told otherwise.
    explicit Fixture(bool logIn = true, int percent = 10);
    ~Fixture();

    QTemporaryDir dir;
    QString path;
    ScriptedDialogs dialogs;
    std::unique_ptr<Program> program;

    // The program's clock stands still at this moment until moved.
    void setNow(const QDateTime& now);
    QDateTime now;

    void build();  // builds the program on the database
    void login(const QString& password);
    void tick();  // one tick of the main window's clock

    // Plain SQL on the file, through a connection of the test's own.
    void exec(const QString& sql);
    QVariant scalar(const QString& sql);
    QList<QVariantList> rows(const QString& sql);
};

// Types text into a widget key by key, Persian letters and digits included.
void typeText(QWidget* w, const QString& text);
// Types text into the focused widget and presses Enter, as the desk does.
void typeAndEnter(const QString& text);
void pressEnter();
QWidget* focused();
// A key, with its modifiers, to whatever has the focus.
void pressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Shows a window and waits until it has the focus, as a window the desk opens does.
bool showActive(QWidget* window);
// Brings a shown window to the front and waits until it has the focus; a window manager that
// passes over a request while another window still takes the focus is asked again.
bool bringToFront(QWidget* window);

// A program's standard output, in Unicode's compatibility form (pdftotext gives presentation forms).
QString runTool(const QString& program, const QStringList& arguments);

// Passwords as the desk may type them, each with a letter that is more than one UTF-8 byte.
QStringList persianPasswords();

// Runs step in a child process that first gives up root for nobody (when the tests run as root,
// as CI does: root reads and writes every file, so a refusal by file mode is only seen so).
// The text of the agency::Error it raised, or nothing when it raised none.
std::optional<QString> runAsNobody(const std::function<void()>& step);
// Gives a folder and its files to nobody when the tests run as root, so that their modes decide.
void handToNobody(const QString& dir);

// Whether the characters of `run`, where they stand in `shown`, read left to right in the order
// they were written when `shown` is laid out right to left, as a cell, label or box lays it out.
bool readsLeftToRight(const QString& shown, const QString& run, const QFont& font);
