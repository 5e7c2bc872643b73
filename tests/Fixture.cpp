#include "tests/Fixture.h"

#include "tests/TestDatabase.h"

#include "app/Unit10.h"
#include "app/UnitMain.h"
#include "controls/Receipt.h"
#include "controls/Style.h"
#include "data/Errors.h"
#include "data/SolarDate.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTextLayout>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

void ScriptedDialogs::ShowMessage(const QString& text)
{
    messages << text;
    log << u"message: "_s + text;
}

bool ScriptedDialogs::Confirm(const QString& text)
{
    questions << text;
    log << u"question: "_s + text;
    return answers.isEmpty() ? false : answers.takeFirst();
}

void ScriptedDialogs::ShowError(const QString& text)
{
    errors << text;
    log << u"error: "_s + text;
}

void ScriptedDialogs::Preview(const Receipt& receipt)
{
    QStringList captions;
    for (const ReceiptItem* item : receipt.items()) captions << item->Name + u"="_s + item->Caption;
    previews << captions;
    log << u"preview"_s;
    if (onPreview) onPreview(receipt);
}

QString ScriptedDialogs::SaveFileName(const QString& proposed)
{
    proposedNames << proposed;
    log << u"save: "_s + proposed;
    return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
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
    path = testdb::freshLocation(dir);
    agency::NewDatabase settings;
    settings.title = u"آژانس نمونه"_s;
    settings.percent = percent;
    settings.userName = u"مدير"_s;
    settings.password = QString::fromUtf16(kPassword);
    agency::Database::create(path, settings);
    setNow(QDateTime(QDate(2026, 12, 8), QTime(10, 30, 0)));  // 1405/09/17
    build();
    if (logIn) login(QString::fromUtf16(kPassword));
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

void Fixture::tick()
{
    FormMain->Timer1Timer();
}

void Fixture::login(const QString& password)
{
    FormEnter->show();
    QApplication::processEvents();
    FormEnter->Edit1->setFocus();
    QTest::keyClicks(FormEnter->Edit1, password);
    QTest::keyClick(FormEnter->Edit1, Qt::Key_Return);
}

void Fixture::exec(const QString& sql)
{
    try {
        agency::exec(agency::openConnection(path).get(), sql);
    } catch (const agency::Error& e) {
        qWarning("SQL failed: %s", e.what());
    }
}

QList<QVariantList> Fixture::rows(const QString& sql)
{
    const auto db = agency::openConnection(path);
    QList<QVariantList> out;
    agency::Statement st(db.get(), sql);
    while (st.step()) {
        QVariantList row;
        for (int i = 0; i < st.columnCount(); ++i) row << st.column(i);
        out << row;
    }
    return out;
}

QVariant Fixture::scalar(const QString& sql)
{
    const QList<QVariantList> r = rows(sql);
    return r.isEmpty() || r[0].isEmpty() ? QVariant() : r[0][0];
}

QWidget* focused()
{
    return QApplication::focusWidget();
}

void pressKey(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(focused(), Qt::Key(key), modifiers);
}

void pressEnter()
{
    QWidget* w = focused();
    QTest::keyClick(w ? w : QApplication::activeWindow(), Qt::Key_Return);
}

void typeText(QWidget* w, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 128) {
            QTest::keyClick(w, char(c.unicode()));
            continue;
        }
        // A letter outside the BMP is one key: both halves of its surrogate pair in one event.
        const qsizetype n = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, text.mid(i, n), Qt::NoModifier);
        i += n - 1;
    }
}

void typeAndEnter(const QString& text)
{
    QWidget* w = focused();
    typeText(w, text);
    QTest::keyClick(w, Qt::Key_Return);
}

QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

bool showActive(QWidget* window)
{
    window->show();
    return bringToFront(window);
}

bool bringToFront(QWidget* window)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        window->raise();
        window->activateWindow();
        if (QTest::qWaitForWindowActive(window, 1000)) return true;
    }
    return false;
}

QStringList persianPasswords()
{
    // Persian letters and digits (two and three bytes in UTF-8), and an Old Persian letter outside
    // the BMP (four bytes, two UTF-16 units): a length in characters is no length in bytes.
    return {u"رمز۱۲۳"_s, u"كليد \U000103A0 ي"_s};
}

namespace {
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
}  // namespace

void handToNobody(const QString& dir)
{
    if (geteuid() != 0) return;
    const QByteArray top = QFile::encodeName(dir);
    if (::chown(top.constData(), kNobody, kNoGroup) != 0) qWarning("chown %s failed", top.constData());
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (::chown(QFile::encodeName(QDir(dir).filePath(name)).constData(), kNobody, kNoGroup) != 0)
            qWarning("chown failed");
}

std::optional<QString> runAsNobody(const std::function<void()>& step)
{
    int out[2];
    if (::pipe(out) != 0) return u"no pipe"_s;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(out[0]);
        QByteArray said = "\x01";  // ran to its end
        if (geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0)) {
            said = "could not become nobody";
        } else {
            try {
                step();
            } catch (const agency::Error& e) {
                said = e.text().toUtf8();
            }
        }
        for (qsizetype done = 0; done < said.size();) {
            const ssize_t n = ::write(out[1], said.constData() + done, size_t(said.size() - done));
            if (n <= 0) break;
            done += n;
        }
        ::_exit(0);
    }
    ::close(out[1]);
    QByteArray heard;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) heard.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (pid < 0 || !WIFEXITED(status)) return u"the child failed"_s;
    if (heard == "\x01") return std::nullopt;
    return QString::fromUtf8(heard);
}

bool readsLeftToRight(const QString& shown, const QString& run, const QFont& font)
{
    const qsizetype at = shown.indexOf(run);
    if (at < 0) return false;
    QTextLayout layout(shown, font);
    QTextOption option;
    option.setTextDirection(Qt::RightToLeft);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(2000);
    layout.endLayout();
    // Each character's left edge, where its glyph stands, must lie right of the one before.
    const auto leftOf = [&](qsizetype i) {
        return std::min(line.cursorToX(int(i), QTextLine::Leading), line.cursorToX(int(i), QTextLine::Trailing));
    };
    // Qt misplaces the caret just after an embedding or isolating mark: that character is not compared.
    const auto measured = [&](qsizetype i) {
        const char16_t before = i == 0 ? 0 : shown[i - 1].unicode();
        return !((before >= 0x202A && before <= 0x202E) || (before >= 0x2066 && before <= 0x2068));
    };
    for (qsizetype i = at; i + 1 < at + run.size(); ++i)
        if (measured(i) && leftOf(i) >= leftOf(i + 1)) return false;
    return true;
}
