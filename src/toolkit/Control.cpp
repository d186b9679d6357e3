#include "toolkit/Control.h"

#include <QAction>

#include "toolkit/Form.h"

std::optional<char32_t> KeyCharacter(const QKeyEvent& e) {
    switch (e.key()) {
    case Qt::Key_Backspace:
        return U'\b';
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return U'\r';
    case Qt::Key_Escape:
        return U'\x1B';
    case Qt::Key_Tab:
        return U'\t';
    case Qt::Key_Delete:
        return std::nullopt;
    default:
        break;
    }
    const QList<uint> text = e.text().toUcs4();
    if (text.isEmpty())
        return std::nullopt;
    return static_cast<char32_t>(text.front());
}

QWidget* DefaultParent(TForm* Owner, QWidget* Parent) {
    return Parent ? Parent : Owner;
}

void SetControlEnabled(QObject* control, bool enabled) {
    if (auto* w = qobject_cast<QWidget*>(control))
        w->setEnabled(enabled);
    else if (auto* a = qobject_cast<QAction*>(control))
        a->setEnabled(enabled);
    if (TComponentInfo* info = ComponentInfoOf(control))
        info->StoreEnabled(enabled);
}

void SetControlVisible(QObject* control, bool visible) {
    if (auto* w = qobject_cast<QWidget*>(control))
        w->setVisible(visible);
    else if (auto* a = qobject_cast<QAction*>(control))
        a->setVisible(visible);
    if (TComponentInfo* info = ComponentInfoOf(control))
        info->StoreVisible(visible);
}
