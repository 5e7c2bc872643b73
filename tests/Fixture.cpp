#include "tests/Fixture.h"

#include "app/Unit10.h"
#include "app/UnitMain.h"
#include "controls/Receipt.h"
#include "controls/Style.h"
#include "data/SolarDate.h"

#include <QApplication>
#include <QTest>

#include <sqlite3.h>

void ScriptedDialogs::ShowMessage(const QString& text)
{
    messages << text;
    log << QStringLiteral("message: ") + text;
}

bool ScriptedDialogs::Confirm(const QString& text)
{
    questions << text;
    log << QStringLiteral("question: ") + text;
    return answers.isEmpty() ? false : answers.takeFirst();
}

void ScriptedDialogs::ShowError(const QString& text)
{
    errors << text;
    log << QStringLiteral("error: ") + text;
}

void ScriptedDialogs::Preview(const Receipt& receipt)
{
    QStringList captions;
    for (const ReceiptItem* item : receipt.items())
        captions << item->Name + QStringLiteral("=") + item->Caption;
    previews << captions;
    log << QStringLiteral("preview");
    if (onPreview)
        onPreview(receipt);
}

void ScriptedDialogs::clear()
{
    log.clear();
    messages.clear();
    errors.clear();
    questions.clear();
    previews.clear();
}

Fixture::Fixture(bool logIn, int percent)
{
    setupApplication(*qApp);
    path = dir.filePath(QStringLiteral("DB.MDB"));
    agency::NewDatabase settings;
    settings.title = QString::fromUtf16(u"آژانس نمونه");
    settings.percent = percent;
    settings.userName = QString::fromUtf16(u"مدير");
    settings.password = QString::fromUtf16(kPassword);
    agency::Database::create(path, settings);
    setNow(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 0)));  // 1405/09/17
    build();
    if (logIn)
        login(QString::fromUtf16(kPassword));
}

Fixture::~Fixture()
{
    program.reset();
    setDialogs(nullptr);
    agency::SolarDate::setClock({});
}

void Fixture::setNow(const QDateTime& moment)
{
    now = moment;
    agency::SolarDate::setClock([this] { return now; });
}

void Fixture::build()
{
    program = Program::build(path, &dialogs);
    FormMain->Timer1->stop();  // tests tick the clock themselves
    tick();
}

void Fixture::tick() { FormMain->Timer1Timer(); }

void Fixture::login(const QString& password)
{
    FormEnter->show();
    QApplication::processEvents();
    FormEnter->Edit1->setFocus();
    QTest::keyClicks(FormEnter->Edit1, password);
    QTest::keyClick(FormEnter->Edit1, Qt::Key_Return);
}

namespace {
sqlite3* openTestConnection(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db, 2000);
    return db;
}
}  // namespace

void Fixture::exec(const QString& sql)
{
    sqlite3* db = openTestConnection(path);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK)
        qWarning("SQL failed: %s", err);
    sqlite3_free(err);
    sqlite3_close(db);
}

QList<QVariantList> Fixture::rows(const QString& sql)
{
    sqlite3* db = openTestConnection(path);
    QList<QVariantList> out;
    {
        agency::Statement st(db, sql);
        while (st.step()) {
            QVariantList row;
            for (int i = 0; i < st.columnCount(); ++i)
                row << st.column(i);
            out << row;
        }
    }
    sqlite3_close(db);
    return out;
}

QVariant Fixture::scalar(const QString& sql)
{
    const QList<QVariantList> r = rows(sql);
    return r.isEmpty() || r[0].isEmpty() ? QVariant() : r[0][0];
}

QWidget* focused() { return QApplication::focusWidget(); }

void pressEnter()
{
    QWidget* w = focused();
    QTest::keyClick(w ? w : QApplication::activeWindow(), Qt::Key_Return);
}

void typeText(QWidget* w, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(w, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void typeAndEnter(const QString& text)
{
    QWidget* w = focused();
    typeText(w, text);
    QTest::keyClick(w, Qt::Key_Return);
}

bool showActive(QWidget* window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}
