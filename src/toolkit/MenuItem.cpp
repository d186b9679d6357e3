#include "toolkit/MenuItem.h"

#include <QSignalBlocker>

#include "toolkit/Form.h"

TMenuItem::TMenuItem(TForm* Owner, std::string Name, const std::string& Caption, QObject* Parent)
    : QAction(QStr(Caption), Parent ? Parent : Owner), FInfo(Owner, std::move(Name), this) {
    connect(this, &QAction::triggered, this, [this](bool checked) {
        if (isCheckable()) {
            // Undo the automatic toggle; the handler sets the mark itself.
            const QSignalBlocker block(this);
            setChecked(!checked);
        }
        Guarded(this, [this] { Click(); });
    });
}

void TMenuItem::SetChecked(bool on) {
    setCheckable(true);
    setChecked(on);
    FChecked.store(on, std::memory_order_release);
}

void TMenuItem::SetEnabled(bool on) {
    setEnabled(on);
    FInfo.StoreEnabled(on);
}

void TMenuItem::SetVisible(bool on) {
    setVisible(on);
    FInfo.StoreVisible(on);
}

void TMenuItem::Click() {
    if (OnClick)
        OnClick(this);
}
