#include "controls/Picker.h"

#include "controls/Dialogs.h"
#include "controls/Keys.h"
#include "data/SqlSubset.h"

#include <QEvent>
#include <QGridLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

TPicker::TPicker(const Window& window, agency::TDataSource* source, const QVector<TColumn>& columns,
                 const Search& search, QWidget* parent)
    : TForm(parent), m_query(qobject_cast<agency::TADOQuery*>(source->DataSet)), m_spec(search)
{
    Frame(window.name, window.title, window.size);
    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->SetDataSource(source);
    DBGrid1->SetColumns(columns);
    BitBtn1 = new TBitBtn(u"جديد"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    m_search = new TLabeledEdit(search.caption, search.editName, this);

    // Right to left: the caption stands right of the search box, "جديد" at the far left.
    auto* top = new QGridLayout;
    top->addWidget(m_search->EditLabel, 0, 0);
    top->addWidget(m_search, 0, 1);
    top->addWidget(BitBtn1, 0, 2);
    top->setColumnStretch(1, 1);
    auto* box = new QVBoxLayout(this);
    box->addLayout(top);
    box->addWidget(DBGrid1, 1);

    setTabOrder(DBGrid1, BitBtn1);
    setTabOrder(BitBtn1, m_search);

    m_search->installEventFilter(this);
    connect(DBGrid1, &TDBGrid::Activated, this, [this] { guarded([this] { DBGrid1KeyPress(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
}

bool TPicker::eventFilter(QObject* watched, QEvent* event)
{
    // Every key released, whatever it is, Enter and the arrows included.
    if (watched == m_search && event->type() == QEvent::KeyRelease) guarded([this] { Research(); });
    return TForm::eventFilter(watched, event);
}

void TPicker::Research()
{
    agency::TADOQuery* q = m_query;
    q->SQL.Clear();
    q->SQL.Add(u"select *"_s);
    q->SQL.Add(u"from "_s + m_spec.table);
    // Whatever was typed is searched for as it stands, quotes and wildcards included.
    if (!m_search->text().isEmpty())
        q->SQL.Add(u"where "_s + m_spec.nameColumn + u" like "_s + agency::likeContains(m_search->text()));
    q->Close();
    q->Open();
}

void ReturnTo(QWidget* opener, QWidget* next)
{
    if (opener->isVisible()) opener->activateWindow();
    SetFocus(next);
}
