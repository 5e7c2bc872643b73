#include "operations/UnitLastServices.h"

#include "controls/Dialogs.h"
#include "controls/Edits.h"
#include "controls/Export.h"
#include "controls/Keys.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QStringList kTitles = {u"تاريخ"_s, u"مبدا"_s, u"مقصد"_s, u"مبلغ"_s, u"راننده"_s};

QStringList texts(const agency::PastService& s)
{
    return {s.date, s.source, s.target, s.fare.toString(), s.driverName};
}

}  // namespace

TFormLastServices::TFormLastServices(QWidget* parent) : TForm(parent)
{
    Frame(u"FormLastServices"_s, u"آخرين سرويس هاي مشترك"_s, {560, 260});
    LabelAcount = MakeBoldLabel(QString(), this);
    ListServices = new QTableWidget(0, int(kTitles.size()), this);
    ListServices->setObjectName(u"ListServices"_s);
    ListServices->setHorizontalHeaderLabels(kTitles);
    ListServices->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListServices->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListServices->setSelectionMode(QAbstractItemView::SingleSelection);
    ListServices->setTabKeyNavigation(false);
    ListServices->verticalHeader()->hide();
    ListServices->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int c : {0, 3, 4}) ListServices->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    auto* box = new QVBoxLayout(this);
    box->addWidget(LabelAcount);
    box->addWidget(ListServices);

    connect(ListServices, &QAbstractItemView::activated, this, [this] { guarded([this] { Choose(); }); });
    InstallExportKey(this, [this] {
        ::ExportDialog(this, {}, [this] {
            TExportSheet t;
            t.caption = windowTitle();
            t.filter = {{u"مشترك"_s, m_acount}};
            t.titles = kTitles;
            t.widths = {80, 160, 160, 70, 110};
            t.rows = [services = m_services](const std::function<void(const QStringList&)>& use) {
                for (const agency::PastService& s : services) use(texts(s));
            };
            t.font = font();
            return t;
        });
    });
}

void TFormLastServices::ShowFor(qint32 acountId, const QString& acountName,
                                const QVector<agency::PastService>& services,
                                const std::function<void(const agency::PastService*)>& done)
{
    m_services = services;
    m_acount = u"%1 (شماره %2)"_s.arg(acountName).arg(acountId);
    m_done = done;
    LabelAcount->setText(m_acount);
    ListServices->setRowCount(int(services.size()));
    for (int r = 0; r < services.size(); ++r) {
        const QStringList row = texts(services[r]);
        for (int c = 0; c < row.size(); ++c) ListServices->setItem(r, c, new QTableWidgetItem(row[c]));
    }
    ListServices->setCurrentCell(0, 0);
    // Under the service window, so that both stay in sight.
    const QWidget* opener = parentWidget();
    QPoint at(opener->x() + (opener->frameGeometry().width() - width()) / 2, opener->frameGeometry().bottom() + 4);
    if (const QScreen* screen = opener->screen()) {
        const QRect room = screen->availableGeometry();
        at.setY(std::min(at.y(), room.bottom() - frameGeometry().height()));
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - frameGeometry().width())));
    }
    move(at);
    Show();
    SetFocus(ListServices);
}

void TFormLastServices::Choose()
{
    const int row = ListServices->currentRow();
    if (row < 0 || row >= m_services.size()) return;
    const auto done = std::exchange(m_done, {});
    const agency::PastService chosen = m_services[row];
    close();
    if (done) done(&chosen);
}

void TFormLastServices::hideEvent(QHideEvent* event)
{
    TForm::hideEvent(event);
    // Once the window is gone, so that the opener can take the focus back.
    if (auto done = std::exchange(m_done, {}))
        QMetaObject::invokeMethod(
            this, [done] { guarded([&] { done(nullptr); }); }, Qt::QueuedConnection);
}
