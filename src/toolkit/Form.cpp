#include "toolkit/Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QScreen>
#include <stdexcept>

#include "toolkit/ButtonControls.h"
#include "toolkit/TextUtil.h"

TForm::TForm(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QWidget>(Owner, std::move(Name), Parent) {}

TForm::~TForm() {
    // Owned components go first, while this form can still take their
    // unregistration; each one removes itself (and its owned children) from
    // the list as it is destroyed.
    for (;;) {
        QObject* victim = nullptr;
        {
            std::lock_guard lock(FMutex);
            if (FComponents.empty())
                break;
            victim = FComponents.back()->Object();
        }
        delete victim;
    }
}

void TForm::InsertComponent(TComponentInfo* component) {
    std::lock_guard lock(FMutex);
    if (!component->Name().empty()) {
        const std::string key = ToUpperAscii(component->Name());
        if (FByName.count(key))
            throw std::invalid_argument("a component named \"" + component->Name() +
                                        "\" already exists on " + Name());
        FByName[key] = component;
    }
    FComponents.push_back(component);
}

void TForm::RemoveComponent(TComponentInfo* component) {
    std::lock_guard lock(FMutex);
    std::erase(FComponents, component);
    if (!component->Name().empty()) {
        const auto it = FByName.find(ToUpperAscii(component->Name()));
        if (it != FByName.end() && it->second == component)
            FByName.erase(it);
    }
}

std::vector<TComponentInfo*> TForm::Components() const {
    std::lock_guard lock(FMutex);
    return FComponents;
}

TComponentInfo* TForm::FindComponentInfo(std::string_view name) const {
    std::lock_guard lock(FMutex);
    const auto it = FByName.find(ToUpperAscii(name));
    return it == FByName.end() ? nullptr : it->second;
}

QObject* TForm::FindComponent(std::string_view name) const {
    TComponentInfo* info = FindComponentInfo(name);
    return info ? info->Object() : nullptr;
}

std::string TForm::Caption() const {
    return StdStr(windowTitle());
}

void TForm::SetCaption(const std::string& caption) {
    setWindowTitle(QStr(caption));
}

void TForm::SetBorder(TFormBorder border) {
    switch (border) {
    case TFormBorder::Sizeable:
        setWindowFlags(Qt::Window);
        break;
    case TFormBorder::Dialog:
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint);
        break;
    case TFormBorder::None:
        setWindowFlags(parentWidget() ? Qt::Widget : (Qt::Window | Qt::FramelessWindowHint));
        break;
    }
    // A form that became a window is hidden until shown.
    Info().StoreVisible(isWindow() ? isVisible()
                                   : !isHidden() || !testAttribute(Qt::WA_WState_ExplicitShowHide));
}

void TForm::CenterOnScreen() {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    adjustSize();
    const QRect avail = screen->availableGeometry();
    move(avail.center() - QPoint(width() / 2, height() / 2));
}

void TForm::Show() {
    if (isWindow() && FPosition == TFormPosition::ScreenCenter && !isVisible())
        CenterOnScreen();
    SetVisible(true);
    raise();
    if (isWindow())
        activateWindow();
}

int TForm::ShowModal() {
    if (FModalLoop)
        throw std::logic_error(Name() + " is already shown modally");
    FModalResult = mrNone;
    setWindowModality(Qt::ApplicationModal);
    Show();
    QEventLoop loop;
    FModalLoop = &loop;
    if (FModalResult == mrNone)
        loop.exec(QEventLoop::DialogExec);
    FModalLoop = nullptr;
    SetVisible(false);
    setWindowModality(Qt::NonModal);
    return FModalResult;
}

void TForm::SetModalResult(int result) {
    FModalResult = result;
    if (!FModalLoop || result == mrNone)
        return;
    // Checked again once the current handler is done, so that it can still
    // cancel the close.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (FModalLoop && FModalResult != mrNone)
                FModalLoop->exit();
        },
        Qt::QueuedConnection);
}

void TForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        TButton* target = dynamic_cast<TButton*>(QApplication::focusWidget());
        if (!target || target->window() != window())
            target = FDefaultButton;
        if (target && target->isEnabled() && target->isVisible()) {
            target->UserClick();
            e->accept();
            return;
        }
    }
    if (e->key() == Qt::Key_Escape && FCancelButton && FCancelButton->isEnabled()) {
        FCancelButton->UserClick();
        e->accept();
        return;
    }
    TControlT<QWidget>::keyPressEvent(e);
}

void TForm::closeEvent(QCloseEvent* e) {
    if (FModalLoop) {
        if (FModalResult == mrNone)
            FModalResult = mrCancel;
        FModalLoop->exit();
    }
    TControlT<QWidget>::closeEvent(e);
}
