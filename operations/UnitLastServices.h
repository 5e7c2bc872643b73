#pragma once

#include "controls/Form.h"
#include "data/Phone.h"

#include <QVector>

#include <functional>

class QLabel;
class QTableWidget;

// The last services of the subscriber a telephone found, under the service window: Enter on one
// hands it back for the new service to take its addresses and fare, Esc hands back nothing.
class TFormLastServices : public TForm {
    Q_OBJECT

public:
    explicit TFormLastServices(QWidget* parent);

    QLabel* LabelAcount;
    QTableWidget* ListServices;

    // Shows the services of the subscriber (code and name), the newest chosen; `done` gets the
    // one chosen, or nullptr when the window is left without a choice.
    void ShowFor(qint32 acountId, const QString& acountName, const QVector<agency::PastService>& services,
                 const std::function<void(const agency::PastService*)>& done);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void Choose();

    QVector<agency::PastService> m_services;
    QString m_acount;
    std::function<void(const agency::PastService*)> m_done;
};
