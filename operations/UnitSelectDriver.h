#pragma once

#include "controls/Picker.h"

#include <QPointer>

#include <functional>

// Finds a driver by name and hands him to the window that asked (Caller).
class TFormSelectDriver : public TPicker {
    Q_OBJECT

public:
    explicit TFormSelectDriver(QWidget* parent = nullptr);

    TLabeledEdit* EditDriverName;

    // Which window the choice goes to: 1 service, 2 payment, 3 driver account; set by the
    // opener after showing, never cleared.
    int Caller = 0;

    // What a window that opens the picker does with the chosen driver's code and name.
    using Receiver = std::function<void(const QString& id, const QString& name)>;
    // Registers the receiver of a caller number; it lives as long as context does. The openers
    // register when they are built, before or after the picker is.
    static void Register(int caller, QObject* context, Receiver receiver);

    void EditDriverNameKeyUp() { Research(); }
    void DBGrid1KeyPress() override;
    void BitBtn1Click() override;
};

extern TFormSelectDriver* FormSelectDriver;
