#pragma once

#include "reports/ListReport.h"

// The stored payments, narrowed by number, by one date or by a range of dates; Enter on one
// opens it in the payment window for correction. Showing keeps the list the last filter left.
class TFormViewDriverBes : public TListReport {
    Q_OBJECT

public:
    explicit TFormViewDriverBes(QWidget* parent = nullptr);
};

extern TFormViewDriverBes* FormViewDriverBes;
