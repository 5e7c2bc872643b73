// The agency's settings, the users window, the new-user window and the password change, driven
// by keys from the main window as the desk uses them, checked against the file and the next login.

#include "app/Unit10.h"
#include "app/UnitMain.h"
#include "baseinfo/UnitChangePass.h"
#include "baseinfo/UnitNewUser.h"
#include "baseinfo/UnitPayeh.h"
#include "baseinfo/UnitUser.h"
#include "data/Password.h"
#include "data/Session.h"
#include "data/UnitDM.h"
#include "operations/UnitService.h"
#include "reports/UnitAudit.h"
#include "tests/Fixture.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kOwner = u"مدير"_s;
const QString kOwnerPassword = u"1234"_s;
const QString kNotInEdit = u"ADOTablePayeh: Dataset not in edit or insert mode"_s;
const QString kNoCode = u"كد موجود نيست"_s;
const QString kNewMismatch = u"رمز و تكرار يكسان نيست"_s;
const QString kChangeMismatch = u"كلمه عبور و تكرار يكي نيست"_s;
const QString kTaken = u"اين كلمه عبور را كاربر ديگري دارد؛ كلمه عبور ديگري انتخاب كنيد"_s;
const QString kLongName = u"«نام كاربر» بيش از 50 حرف است و ثبت نمي شود"_s;
const QString kLastUser = u"اين كاربر حذف نمي شود: بدون او هيچ كس نمي تواند وارد برنامه شود"_s;
const QString kDeleteQuestion = u"آيا اطلاعات حذف شود ؟"_s;
const QString kDeleted = u"حذف شد ."_s;

// Types as a keyboard does: one key per character, a character outside the BMP in one key,
// "\b" as Backspace and "\t" as Tab.
void typeKeys(const QString& text)
{
    for (qsizetype i = 0; i < text.size();) {
        const QString c = text.mid(i, text[i].isHighSurrogate() ? 2 : 1);
        i += c.size();
        if (c == u"\b"_s)
            pressKey(Qt::Key_Backspace);
        else if (c == u"\t"_s)
            pressKey(Qt::Key_Tab);
        else if (c[0].unicode() < 128)
            QTest::keyClick(focused(), char(c[0].unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, focused(), Qt::Key_unknown, c, Qt::NoModifier);
    }
}
void typeEnter(const QString& text)
{
    typeKeys(text);
    pressEnter();
}

// Runs `inside` once `window` is the active modal window that `open` waits on; closes it at the
// end whatever the checks found. False when it never came up.
bool whileModal(QWidget* window, const std::function<void()>& open, const std::function<void()>& inside)
{
    bool ran = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!window->isVisible() || QApplication::activeModalWidget() != window ||
            QApplication::activeWindow() != window)
            return;
        poll.stop();
        ran = true;
        inside();
        if (window->isVisible()) window->close();
    });
    poll.start(5);
    open();
    poll.stop();
    return ran;
}

QList<QVariantList> userRows(Fixture& f)
{
    return f.rows(u"SELECT ID, UserName, PassWord FROM Users ORDER BY ID"_s);
}

}  // namespace

class TestUsers : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Fixture> f;

    // A fresh start of the program on the same file, and a login by keys; true when it let him in.
    bool restartAndLogin(const QString& password)
    {
        f->program.reset();
        f->build();
        FormEnter->show();
        if (!bringToFront(FormEnter)) return false;
        FormEnter->Edit1->setFocus();
        typeEnter(password);
        return FormMain->isVisible() && !FormEnter->isVisible();
    }

    // F6 in the main window: the settings window, its focus on "ذخيره".
    bool openSettings()
    {
        if (!bringToFront(FormMain)) return false;
        QTest::keyClick(FormMain, Qt::Key_F6);
        return QTest::qWaitForWindowActive(FormPayeh) && focused() == FormPayeh->Button1;
    }

    // F2, driver 7, subscriber 3, a destination and the fare, saved without printing: the share stored.
    qint64 shareOfNewService(const QString& fare)
    {
        f->exec(u"INSERT OR IGNORE INTO driver (driver_id, driver_name) VALUES (7, 'علي رضايي')"_s);
        f->exec(u"INSERT OR IGNORE INTO acount (acount_id, acount_name, acount_add) VALUES (3, 'بانك', 'ونك')"_s);
        DM->ADOTableDriver->Reopen();
        DM->ADOTableAcount->Reopen();
        if (!bringToFront(FormMain)) return -1;
        QTest::keyClick(FormMain, Qt::Key_F2);
        if (!QTest::qWaitForWindowActive(FormService)) return -1;
        for (const QString& typed : {u"7"_s, u"3"_s, u"ميدان آزادي"_s, fare}) typeEnter(typed);
        pressEnter();
        FormService->close();
        return f->scalar(u"SELECT service_percent FROM service ORDER BY id DESC LIMIT 1"_s).toLongLong() / 10000;
    }

    bool openUsers(const std::function<void()>& inside)
    {
        return whileModal(
            FormUser, [] { FormMain->N10->trigger(); }, inside);
    }

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    void cleanup() { f.reset(); }

    // ---- agency settings ----------------------------------------------------------------------

    void settingsWindowAsF6OpensIt()
    {
        f->exec(u"UPDATE payeh SET \"Add\"='خيابان وليعصر', Tel='88776655'"_s);
        DM->ADOTablePayeh->Reopen();
        QVERIFY(openSettings());
        TFormPayeh* w = FormPayeh;
        QCOMPARE(w->windowTitle(), u"اطلاعات پايه"_s);
        QCOMPARE(w->size(), QSize(514, 172));
        QVERIFY(!w->isModal());
        QStringList shown;
        const std::pair<QLabel*, TDBEdit*> fields[] = {
            {w->Label1, w->DBEdit1}, {w->Label3, w->DBEdit3}, {w->Label4, w->DBEdit4}, {w->Label2, w->DBEdit2}};
        for (const auto& [label, e] : fields) {
            QVERIFY(label->font().bold() && label->x() > e->x() && label->width() >= label->sizeHint().width());
            QVERIFY(e->geometry().bottom() < w->height() && e->width() >= 40);
            shown << label->text() + u"="_s + e->text();
        }
        QCOMPARE(shown.join(u'|'),
                 u"عنوان آژانس=آژانس نمونه|آدرس آژانس=خيابان وليعصر|تلفنهاي آژانس=88776655|درصد سهم آژانس=10"_s);
        QVERIFY(w->DBEdit2->width() < w->DBEdit4->width() / 2);

        // Enter right after opening presses "ذخيره" with nothing changed.
        pressEnter();
        QCOMPARE(f->dialogs.errors, QStringList{kNotInEdit});
        QCOMPARE(f->scalar(u"SELECT count(*) FROM payeh WHERE percent=10 AND Title='آژانس نمونه'"_s).toInt(), 1);

        // The Enter chain from the title: address, telephones, percentage, debt limit, "ذخيره".
        pressKey(Qt::Key_Tab);
        QCOMPARE(focused(), w->DBEdit1);
        QList<QWidget*> chain;
        for (int i = 0; i < 5; ++i) {
            pressEnter();
            chain << focused();
        }
        QCOMPARE(chain, (QList<QWidget*>{w->DBEdit3, w->DBEdit4, w->DBEdit2, w->DBEdit5, w->Button1}));
        pressKey(Qt::Key_Escape);
        QVERIFY(!w->isVisible());
    }

    void settingsTypedAndSaved_data()
    {
        QTest::addColumn<bool>("emptyTable");
        QTest::addColumn<int>("backtabs");  // from the debt limit: 1 percentage, 2 telephones, 3 address, 4 title
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("stored");
        const QString fifty = QString(u"آژانس سريع "_s).repeated(5).left(50);
        QTest::newRow("a 51st title letter cannot be typed")
            << false << 4 << fifty + u"ك"_s << QString() << u"Title"_s << QVariant(fifty);
        QTest::newRow("Persian telephones")
            << false << 2 << u"۰۲۱-۶۶۷۷"_s << QString() << u"Tel"_s << QVariant(u"۰۲۱-۶۶۷۷"_s);
        QTest::newRow("a lone minus") << false << 1 << u"-"_s
                                      << u"'-' is not a valid integer value for field 'percent'"_s << u"percent"_s
                                      << QVariant(10);
        QTest::newRow("a lone minus, left by Tab")
            << false << 1 << u"-\t"_s << u"'-' is not a valid integer value for field 'percent'"_s << u"percent"_s
            << QVariant(10);
        QTest::newRow("letters refused") << false << 1 << u"1a%2ب"_s << QString() << u"percent"_s << QVariant(12);
        QTest::newRow("Persian digits") << false << 1 << u"۱۵"_s << QString() << u"percent"_s << QVariant(15);
        QTest::newRow("negative") << false << 1 << u"-5"_s << QString() << u"percent"_s << QVariant(-5);
        QTest::newRow("over a hundred") << false << 1 << u"150"_s << QString() << u"percent"_s << QVariant(150);
        QTest::newRow("zero") << false << 1 << u"0"_s << QString() << u"percent"_s << QVariant(0);
        QTest::newRow("emptied") << false << 1 << u"\b"_s << QString() << u"percent"_s << QVariant();
        QTest::newRow("debt limit") << false << 0 << u"۲۵۰۰"_s << QString() << u"debt_limit"_s << QVariant(25000000LL);
        QTest::newRow("negative debt limit")
            << false << 0 << u"-1"_s << u"سقف بدهي راننده بايد عددي صفر يا بيشتر باشد"_s << u"debt_limit"_s
            << QVariant();
        QTest::newRow("no settings row yet")
            << true << 4 << u"آژانس تازه"_s << QString() << u"Title"_s << QVariant(u"آژانس تازه"_s);
    }
    void settingsTypedAndSaved()
    {
        QFETCH(bool, emptyTable);
        QFETCH(int, backtabs);
        QFETCH(QString, typed);
        QFETCH(QString, error);
        QFETCH(QString, column);
        QFETCH(QVariant, stored);
        if (emptyTable) {
            f->exec(u"DELETE FROM payeh"_s);
            DM->ADOTablePayeh->Reopen();
        }
        const QString read = u"SELECT \"%1\" FROM payeh"_s.arg(column);
        QVERIFY(openSettings());
        for (int i = 0; i <= backtabs; ++i) pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        QWidget* field = focused();
        typeKeys(typed);
        if (!typed.endsWith(u'\t')) pressEnter();
        if (!error.isEmpty()) {
            // Refused: the focus comes back for the correction and nothing is stored.
            QCOMPARE(f->dialogs.errors, QStringList{error});
            QTRY_COMPARE(focused(), field);
            QCOMPARE(f->scalar(read), stored);
            return;
        }
        QVERIFY(f->dialogs.errors.isEmpty());
        while (focused() != FormPayeh->Button1) pressEnter();
        pressEnter();
        QVERIFY(f->dialogs.errors.isEmpty());
        QCOMPARE(f->rows(read), QList<QVariantList>{{stored}});
    }

    // What the percentage field holds is in force at once, and lasts only when saved.
    void percentageInForceAtOnce_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("then");  // e: Enter, x: Esc, c: the window closed otherwise
        QTest::addColumn<qint64>("shareNow");
        QTest::addColumn<qint64>("shareAfterRestart");
        QTest::newRow("12 left, closed by Esc") << u"12"_s << u"ex"_s << qint64(3000) << qint64(2500);
        QTest::newRow("12 typed, not left, Esc") << u"12"_s << u"x"_s << qint64(2500) << qint64(2500);
        QTest::newRow("12 typed, not left, closed") << u"12"_s << u"c"_s << qint64(2500) << qint64(2500);
        QTest::newRow("12 saved") << u"12"_s << u"eeex"_s << qint64(3000) << qint64(3000);
        QTest::newRow("emptied and saved") << u"\b"_s << u"eeex"_s << qint64(0) << qint64(0);
    }
    void percentageInForceAtOnce()
    {
        QFETCH(QString, typed);
        QFETCH(QString, then);
        QFETCH(qint64, shareNow);
        QFETCH(qint64, shareAfterRestart);
        QCOMPARE(shareOfNewService(u"25000"_s), qint64(2500));
        QVERIFY(openSettings());
        for (int i = 0; i < 2; ++i) pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
        typeKeys(typed);
        for (const QChar c : then) {
            if (c == u'e') pressEnter();
            if (c == u'x') pressKey(Qt::Key_Escape);
            if (c == u'c') FormPayeh->close();
        }
        QVERIFY(!FormPayeh->isVisible());
        QCOMPARE(shareOfNewService(u"25000"_s), shareNow);
        // Esc neither saved nor undid: the next opening shows what is in force.
        QVERIFY(openSettings());
        QCOMPARE(FormPayeh->DBEdit2->text(), shareNow ? QString::number(shareNow / 250) : QString());
        FormPayeh->close();
        QVERIFY(f->dialogs.errors.isEmpty());

        QVERIFY(restartAndLogin(kOwnerPassword));
        QCOMPARE(shareOfNewService(u"25000"_s), shareAfterRestart);
    }

    // A store the database refuses shows its error and loses nothing typed: the next "ذخيره" stores it.
    void refusedStoreKeepsTheTyping_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("settings") << u"payeh"_s;
        QTest::newRow("users list") << u"Users"_s;
    }
    void refusedStoreKeepsTheTyping()
    {
        QFETCH(QString, table);
        const bool settings = table == u"payeh"_s;
        const QString typed = u"نام تازه"_s;
        f->exec(
            u"CREATE TRIGGER refuse BEFORE UPDATE ON %1 BEGIN SELECT RAISE(ABORT, 'disk refused'); END"_s.arg(table));
        QStringList shown;
        auto save = [&] {
            if (settings) {
                pressEnter();
                shown << FormPayeh->DBEdit1->text();
            } else {
                for (int i = 0; i < 3; ++i) pressKey(Qt::Key_Tab);
                pressEnter();
                shown << FormUser->DBGrid1->Model()->Text(0, 0);
                FormUser->DBGrid1->setFocus();
            }
        };
        auto typeAndSaveTwice = [&] {
            if (settings) pressKey(Qt::Key_Tab);
            typeEnter(typed);
            QApplication::processEvents();
            if (settings) FormPayeh->Button1->setFocus();
            save();
            f->exec(u"DROP TRIGGER refuse"_s);
            save();
        };
        if (settings) {
            QVERIFY(openSettings());
            typeAndSaveTwice();
        } else {
            QVERIFY(openUsers(typeAndSaveTwice));
        }
        QCOMPARE(f->dialogs.errors.size(), 1);
        QVERIFY(f->dialogs.errors[0].contains(u"disk refused"_s));
        QCOMPARE(shown, (QStringList{typed, typed}));
        QCOMPARE(f->scalar(u"SELECT %1 FROM %2"_s.arg(settings ? u"Title"_s : u"UserName"_s, table)).toString(), typed);
    }

    // ---- audit ---------------------------------------------------------------------------------

    // The audit lists the records of a range of dates whose user's name holds the typed text, taken
    // literally; a user without the users right is not offered it.
    void auditListsByDateAndUser_data()
    {
        QTest::addColumn<QStringList>("typed");  // from, to, user
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("range, every user")
            << QStringList{u"1405/09/17"_s, u"1405/09/18"_s, u""_s} << QStringList{kOwner, u"سا'را%"_s};
        QTest::newRow("one user") << QStringList{u"1405/09/01"_s, u"1405/09/30"_s, u"مدیر"_s}
                                  << QStringList{kOwner, kOwner};
        QTest::newRow("quote and percent")
            << QStringList{u"1405/09/01"_s, u"1405/09/30"_s, u"'را%"_s} << QStringList{u"سا'را%"_s};
    }
    void auditListsByDateAndUser()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, listed);
        for (const QString& row : {u"'مدير', '1405/09/17'"_s, u"'سا''را%', '1405/09/18'"_s, u"'مدير', '1405/09/19'"_s})
            f->exec(u"INSERT INTO audit (audit_user, audit_date, audit_row) VALUES (%1, 1)"_s.arg(row));
        QVERIFY(bringToFront(FormMain) && FormMain->N23->isVisible());
        FormMain->N23->trigger();
        QVERIFY(QTest::qWaitForWindowActive(FormAudit));
        QCOMPARE(focused(), FormAudit->MaskEdit1);
        for (const QString& t : typed) typeAndEnter(t);
        QCOMPARE(focused(), FormAudit->DBGrid1);
        TDBGridModel* m = FormAudit->DBGrid1->Model();
        QStringList users;
        for (int r = 0; r < m->rowCount(); ++r) users << m->Text(r, 2);
        QCOMPARE(users, listed);
        QCOMPARE(f->dialogs.log, QStringList());

        f->exec(
            u"INSERT INTO Users (UserName, PassWord) VALUES ('منشي', '%1')"_s.arg(agency::Password::hash(u"abc"_s)));
        QVERIFY(restartAndLogin(u"abc"_s));
        QVERIFY(!FormMain->N23->isVisible());
    }

    // ---- users ---------------------------------------------------------------------------------

    void usersWindowsAsBuilt()
    {
        // The login draws stars; the new-user and password windows at signs.
        QTest::keyClicks(FormEnter->Edit1, u"12"_s);
        QCOMPARE(FormEnter->Edit1->displayText(), u"**"_s);
        FormEnter->Edit1->clear();

        f->exec(u"UPDATE Users SET Sabt=0, Payeh=0, Reports=1, Users=0"_s);
        DM->ADOTableUser->Reopen();
        QStringList order, tabs;
        QVERIFY(openUsers([&] {
            TFormUser* w = FormUser;
            QCOMPARE(w->windowTitle(), u"كاربران سيستم"_s);
            QCOMPARE(w->size(), QSize(239, 410));
            QCOMPARE(w->minimumSize(), w->maximumSize());
            QCOMPARE(w->palette().color(QPalette::Window), QColor(Qt::black));
            QVERIFY(w->Image1->geometry().bottom() < w->DBGrid1->y() && w->Image1->pixmap().width() > 100);
            QCOMPARE(w->DBGrid1->Model()->headerData(0, Qt::Horizontal).toString(), u"UserName"_s);
            QCOMPARE(w->DBGrid1->Model()->columnCount(), 1);
            QCOMPARE(w->DBGrid1->columnWidth(0), 212);
            QCOMPARE(w->DBGrid1->Model()->Text(0, 0), kOwner);
            QVERIFY(w->DBGrid1->Editable());
            for (QCheckBox* b : {w->DBCheckBox1, w->DBCheckBox2, w->DBCheckBox3, w->DBCheckBox4})
                QVERIFY(!b->isVisibleTo(w) && b->isChecked() == (b == w->DBCheckBox3));
            QMap<int, QString> byX;
            for (TBitBtn* b : {w->BitBtn1, w->BitBtn2, w->BitBtn3, w->BitBtn4}) {
                QVERIFY(b->y() < w->Image1->y() && b->width() >= b->fontMetrics().horizontalAdvance(b->text()));
                QVERIFY(!b->isDefault() && !b->autoDefault());
                byX.insert(-b->x(), b->text());
            }
            order = byX.values();
            QCOMPARE(focused(), w->DBGrid1);
            for (int i = 0; i < 4; ++i) {
                pressKey(Qt::Key_Tab);
                tabs << qobject_cast<QPushButton*>(focused())->text();
            }
        }));
        QCOMPARE(order, (QStringList{u" جديد"_s, u"ذخيره"_s, u"انصراف"_s, u"حذف "_s}));
        QCOMPARE(tabs, (QStringList{u" جديد"_s, u"حذف "_s, u"ذخيره"_s, u"انصراف"_s}));

        for (TFormNewUser* w : {FormNewUser, static_cast<TFormNewUser*>(FormChangePass)}) {
            QVERIFY(showActive(w));
            QStringList labels;
            for (TLabeledEdit* e : {w->LabeledEdit1, w->LabeledEdit2, w->LabeledEdit3}) {
                QVERIFY(e->EditLabel->x() > e->x());
                labels << e->EditLabel->text();
                e->setFocus();
                typeKeys(u"ab"_s);
            }
            QCOMPARE(w->windowTitle(), w == FormNewUser ? u"ثبت كاربر جديد"_s : u"تغيير رمز"_s);
            QCOMPARE(labels.join(u'|'), (w == FormNewUser ? u"نام كاربر|كلمه عبور|تكرار كلمه عبور"_s
                                                          : u"نام كاربر|كلمه عبورجديد|تكرار كلمه عبور"_s));
            QCOMPARE(w->LabeledEdit1->displayText().right(2), u"ab"_s);
            QCOMPARE(w->LabeledEdit2->displayText(), u"@@"_s);
            QCOMPARE(w->LabeledEdit3->displayText(), u"@@"_s);
            QCOMPARE(FormChangePass->size(), FormNewUser->size());
            w->close();
        }
    }

    void newUserByKeys_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repetition");
        QTest::addColumn<QString>("message");
        QTest::newRow("Persian name and password") << u"رضا احمدي"_s << u"رمز۱۲۳"_s << u"رمز۱۲۳"_s << QString();
        QTest::newRow("everything empty") << QString() << QString() << QString() << QString();
        QTest::newRow("repetition differs in case") << u"Ali"_s << u"Secret"_s << u"secret"_s << kNewMismatch;
        QTest::newRow("another user's password") << u"Ali"_s << kOwnerPassword << kOwnerPassword << kTaken;
        QTest::newRow("a name of 51 letters") << QString(u"ن"_s).repeated(51) << u"x"_s << u"x"_s << kLongName;
    }
    void newUserByKeys()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, repetition);
        QFETCH(QString, message);
        bool typedIn = false;
        QStringList listed;
        QVERIFY(openUsers([&] {
            pressKey(Qt::Key_Tab);  // to " جديد"
            typedIn = whileModal(
                FormNewUser, [] { pressEnter(); },
                [&] {
                    QCOMPARE(focused(), FormNewUser->LabeledEdit1);
                    for (const QString& typed : {name, password, repetition}) typeEnter(typed);
                    QCOMPARE(f->dialogs.messages, message.isEmpty() ? QStringList() : QStringList{message});
                    QCOMPARE(FormNewUser->isVisible(), !message.isEmpty());
                });
            for (int i = 0; i < FormUser->DBGrid1->Model()->rowCount(); ++i)
                listed << FormUser->DBGrid1->Model()->Text(i, 0);
        }));
        QVERIFY(typedIn);
        const QList<QVariantList> users = userRows(*f);
        if (!message.isEmpty()) {
            QCOMPARE(users.size(), 1);
            return;
        }
        QCOMPARE(listed, (QStringList{kOwner, name}));
        QCOMPARE(users.size(), 2);
        QCOMPARE(users[1][1].toString(), name);
        QVERIFY(users[1][2].toString().startsWith(u"$argon2id$"_s));
        for (const QString& file : {f->path, f->path + u"-wal"_s}) {
            QFile raw(file);
            if (raw.open(QIODevice::ReadOnly) && !password.isEmpty())
                QVERIFY(!raw.readAll().contains(password.toUtf8()));
        }
        QVERIFY(restartAndLogin(password));
        QCOMPARE(agency::session().userName, name);
        QCOMPARE(agency::session().userId, users[1][0].toLongLong());
    }

    void deleteUser_data()
    {
        QTest::addColumn<QString>("other");  // a second user's password; empty: none, "-": a name only
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("ctrlDelete");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("left");
        const QStringList both{kOwner, u"سارا"_s};
        QTest::newRow("the last user") << QString() << 0 << false << true << QStringList{kLastUser}
                                       << QStringList{kOwner};
        QTest::newRow("the last user, Ctrl+Delete")
            << QString() << 0 << true << true << QStringList{kLastUser} << QStringList{kOwner};
        QTest::newRow("the last with a password") << u"-"_s << 0 << false << true << QStringList{kLastUser} << both;
        QTest::newRow("another, Yes") << u"abc"_s << 1 << false << true
                                      << QStringList{u"question: "_s + kDeleteQuestion, kDeleted}
                                      << QStringList{kOwner};
        QTest::newRow("another, No") << u"abc"_s << 1 << false << false
                                     << QStringList{u"question: "_s + kDeleteQuestion} << both;
        QTest::newRow("himself, Yes") << u"abc"_s << 0 << false << true
                                      << QStringList{u"question: "_s + kDeleteQuestion, kDeleted}
                                      << QStringList{u"سارا"_s};
        QTest::newRow("another, Ctrl+Delete OK")
            << u"abc"_s << 1 << true << true << QStringList{u"question: Delete record?"_s} << QStringList{kOwner};
    }
    void deleteUser()
    {
        QFETCH(QString, other);
        QFETCH(int, row);
        QFETCH(bool, ctrlDelete);
        QFETCH(bool, answer);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, left);
        if (!other.isEmpty()) {
            const QString hash = other == u"-"_s ? u"NULL"_s : u"'%1'"_s.arg(agency::Password::hash(other));
            f->exec(u"INSERT INTO Users (UserName, PassWord) VALUES ('سارا', %1)"_s.arg(hash));
            DM->ADOTableUser->Reopen();
        }
        f->dialogs.answers = {answer};
        QVERIFY(openUsers([&] {
            if (row) pressKey(Qt::Key_Down);
            if (ctrlDelete) {
                pressKey(Qt::Key_Delete, Qt::ControlModifier);
            } else {
                pressKey(Qt::Key_Tab);
                pressKey(Qt::Key_Tab);
                QCOMPARE(focused(), FormUser->BitBtn4);
                pressEnter();
            }
        }));
        QStringList log = f->dialogs.log;
        log.replaceInStrings(u"message: "_s, QString());
        QCOMPARE(log, shown);
        QStringList names;
        for (const QVariantList& r : userRows(*f)) names << r[1].toString();
        QCOMPARE(names, left);
    }

    void renameInTheList_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("tabs");  // from the list to the button pressed
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("message");
        QTest::newRow("ذخيره") << u"مدير ارشد"_s << 3 << u"مدير ارشد"_s << QString();
        QTest::newRow("انصراف") << u"مدير ارشد"_s << 4 << kOwner << QString();
        const QString longName = QString(u"ن"_s).repeated(51);
        QTest::newRow("51 letters, ذخيره") << longName << 3 << kOwner << kLongName;
    }
    void renameInTheList()
    {
        QFETCH(QString, typed);
        QFETCH(int, tabs);
        QFETCH(QString, stored);
        QFETCH(QString, message);
        QString shownAfter;
        QVERIFY(openUsers([&] {
            typeKeys(typed);
            pressEnter();
            QApplication::processEvents();
            for (int i = 0; i < tabs; ++i) pressKey(Qt::Key_Tab);
            pressEnter();
            shownAfter = FormUser->DBGrid1->Model()->Text(0, 0);
        }));
        QVERIFY(f->dialogs.errors.isEmpty());
        QCOMPARE(f->dialogs.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(shownAfter, message.isEmpty() ? stored : typed);  // refused: still typed, to correct
        QCOMPARE(f->scalar(u"SELECT UserName FROM Users"_s).toString(), stored);
        QCOMPARE(agency::session().userName, kOwner);  // a rename in the list leaves the login's name
    }

    // ---- password change -----------------------------------------------------------------------

    void changePassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("repetition");
        QTest::addColumn<QString>("message");
        QTest::newRow("Persian") << u"رمز۱۲۳"_s << u"رمز۱۲۳"_s << QString();
        const QString outsideBmp = u"x"_s + QString::fromUcs4(U"\U0001D400") + u"۷"_s;
        QTest::newRow("a letter outside the BMP") << outsideBmp << outsideBmp << QString();
        QTest::newRow("empty") << QString() << QString() << QString();
        QTest::newRow("repetition differs in case") << u"Nou"_s << u"nou"_s << kChangeMismatch;
        QTest::newRow("another user's password") << u"abc"_s << u"abc"_s << kTaken;
        QTest::newRow("one's own password") << kOwnerPassword << kOwnerPassword << QString();
    }
    void changePassword()
    {
        QFETCH(QString, password);
        QFETCH(QString, repetition);
        QFETCH(QString, message);
        f->exec(
            u"INSERT INTO Users (UserName, PassWord) VALUES ('سارا', '%1')"_s.arg(agency::Password::hash(u"abc"_s)));
        DM->ADOTableUser->Reopen();
        QVERIFY(whileModal(
            FormChangePass, [] { FormMain->N11->trigger(); },
            [&] {
                QCOMPARE(FormChangePass->LabeledEdit1->text(), kOwner);
                QCOMPARE(focused(), FormChangePass->LabeledEdit1);
                pressEnter();
                typeEnter(password);
                typeEnter(repetition);
                QCOMPARE(f->dialogs.messages, message.isEmpty() ? QStringList() : QStringList{message});
            }));
        const QString opens = message.isEmpty() ? password : kOwnerPassword;
        const QString shut = message.isEmpty() ? kOwnerPassword : password;
        if (shut != opens) QVERIFY(!restartAndLogin(shut) || agency::session().userName != kOwner);
        QVERIFY(restartAndLogin(opens));
        QCOMPARE(agency::session().userName, kOwner);
        QVERIFY(restartAndLogin(u"abc"_s));  // the other user's row is untouched
        QCOMPARE(agency::session().userName, u"سارا"_s);
    }

    // Renamed in the users window, and another user now bearing his old name: the change still
    // reaches his own row alone.
    void changeAfterRenameReachesOnlyTheOwnRow()
    {
        const QString renamed = u"مدير ارشد"_s;
        QVERIFY(openUsers([&] {
            typeEnter(renamed);
            QApplication::processEvents();
            for (int i = 0; i < 3; ++i) pressKey(Qt::Key_Tab);
            pressEnter();
        }));
        f->exec(u"INSERT INTO Users (UserName, PassWord) VALUES ('%1', '%2')"_s.arg(kOwner,
                                                                                    agency::Password::hash(u"5678"_s)));
        DM->ADOTableUser->Reopen();

        auto openChange = [](const std::function<void()>& inside) {
            return whileModal(
                FormChangePass, [] { FormMain->N11->trigger(); }, inside);
        };
        // Esc after typing stores nothing; the typed text waits for the next opening.
        QVERIFY(openChange([] {
            pressEnter();
            typeKeys(u"zz"_s);
            pressKey(Qt::Key_Escape);
        }));
        QVERIFY(openChange([&] {
            QCOMPARE(FormChangePass->LabeledEdit1->text(), renamed);
            QCOMPARE(FormChangePass->LabeledEdit2->text(), u"zz"_s);
            QCOMPARE(focused(), FormChangePass->LabeledEdit2);
            typeEnter(u"Nou۱"_s);
            typeEnter(u"nou۱"_s);
            QCOMPARE(f->dialogs.messages, QStringList{kChangeMismatch});
            pressKey(Qt::Key_Backtab, Qt::ShiftModifier);
            typeEnter(u"Nou۱"_s);
            typeEnter(u"Nou۱"_s);
            QVERIFY(!FormChangePass->isVisible());
        }));
        const QList<QVariantList> users = userRows(*f);
        QCOMPARE(users.size(), 2);
        QCOMPARE(users[0][1].toString(), renamed);
        QVERIFY(agency::Password::verify(users[0][2].toString(), u"Nou۱"_s));
        QCOMPARE(users[1][1].toString(), kOwner);
        QVERIFY(agency::Password::verify(users[1][2].toString(), u"5678"_s));
        QCOMPARE(agency::session().userName, renamed);
        f->tick();
        QCOMPARE(FormMain->Panels[2]->text(), u" نام كاربر : "_s + renamed);

        f->dialogs.clear();
        QVERIFY(!restartAndLogin(kOwnerPassword));
        QCOMPARE(f->dialogs.messages, QStringList{kNoCode});
        QVERIFY(restartAndLogin(u"Nou۱"_s));
        QCOMPARE(agency::session().userName, renamed);
    }
};

QTEST_MAIN(TestUsers)
#include "tst_users.moc"
