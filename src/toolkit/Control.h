#pragma once
// TControlT<W>: the part every control class shares, written once over any Qt
// widget W (class TEdit : public TControlT<QLineEdit>, ...). It adds the
// component record (name, tag, hint, enabled/visible snapshots), font colour
// and style, an optional tooltip showing the hint, and hooks for the events
// the pages use. Each hook gets the control as Sender.
//
// Pointer moves reach OnMouseMove without a button pressed (mouse tracking is
// on) and stop at the first control under the pointer, as they would on the
// screen: a control covers its container. Plain QWidgets put between a
// control and its container swallow the moves, so lay controls out with a
// layout on the container itself.
//
// Threading: Name, Tag, Hint, Enabled and Visible from any thread (snapshots);
// everything else on the GUI thread. Hooks run on the GUI thread.

#include <QAbstractScrollArea>
#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QPoint>
#include <QResizeEvent>
#include <QSize>
#include <QToolTip>
#include <QWidget>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "toolkit/Colors.h"
#include "toolkit/Component.h"
#include "toolkit/ExceptionHandler.h"
#include "toolkit/QtBridge.h"

class TForm;

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent = std::function<void(QObject* Sender, Qt::MouseButton Button, QPoint Pos)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, QPoint Pos)>;
// Setting Key to 0 discards the key; another character replaces it.
using TKeyPressEvent = std::function<void(QObject* Sender, char32_t& Key)>;

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned; // a set of TFontStyle bits; 0 is regular

// The character a key event types: backspace 8, Enter 13, Esc 27, Tab 9, or
// the text's first character; nothing for keys that type nothing (arrows,
// Delete, function keys).
std::optional<char32_t> KeyCharacter(const QKeyEvent& e);

// The widget to make a new control's parent: the given parent, else the
// owner form.
QWidget* DefaultParent(TForm* Owner, QWidget* Parent);

// Any toolkit control's enabled or visible state changed through its
// snapshot-keeping setter (for code that holds only a QObject*).
void SetControlEnabled(QObject* Control, bool Enabled);
void SetControlVisible(QObject* Control, bool Visible);

template <class W> class TControlT : public W {
public:
    TControlT(TForm* Owner, std::string Name, QWidget* Parent)
        : W(Parent), FInfo(Owner, std::move(Name), this) {
        FInfo.StoreVisible(!this->isWindow());
        this->setMouseTracking(true);
        if constexpr (std::is_base_of_v<QAbstractScrollArea, W>)
            this->viewport()->setMouseTracking(true);
    }
    TControlT(const TControlT&) = delete;
    TControlT& operator=(const TControlT&) = delete;

    const std::string& Name() const { return FInfo.Name(); }
    TForm* Owner() const { return FInfo.Owner(); }
    TComponentInfo& Info() { return FInfo; }
    const TComponentInfo& Info() const { return FInfo; }

    int Tag() const { return FInfo.Tag(); }
    void SetTag(int tag) { FInfo.SetTag(tag); }
    std::string Hint() const { return FInfo.Hint(); }
    void SetHint(const std::string& hint) { FInfo.SetHint(hint); }
    // Whether the hint shows as a tooltip (off by default: for value controls
    // the hint is the default value, not a tooltip).
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool on) { FShowHint = on; }

    bool Enabled() const { return FInfo.Enabled(); }
    void SetEnabled(bool on) {
        this->setEnabled(on);
        FInfo.StoreEnabled(on);
    }
    bool Visible() const { return FInfo.Visible(); }
    void SetVisible(bool on) { this->setVisible(on); }
    void setVisible(bool on) override {
        W::setVisible(on);
        FInfo.StoreVisible(on);
    }

    // clWindowText (the default) follows the palette's text colour. A
    // disabled control keeps the palette's greyed text whatever the colour.
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor color) {
        FFontColor = color;
        QPalette pal = this->palette();
        const QPalette base = QApplication::palette(this);
        for (QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
                if (color == clWindowText)
                    pal.setBrush(group, role, base.brush(group, role));
                else
                    pal.setColor(group, role, ToQColor(color));
        this->setPalette(pal);
    }
    TFontStyles FontStyle() const { return FFontStyle; }
    void SetFontStyle(TFontStyles style) {
        // A control that keeps its size takes the size of its regular face
        // along into the styled one.
        if (FKeepRegularSize && FFontStyle == 0 && style != 0) {
            FRegularSize = NaturalSize();
            FRegularMinimum = W::minimumSizeHint();
        }
        FFontStyle = style;
        QFont f = this->font();
        f.setBold(style & fsBold);
        f.setItalic(style & fsItalic);
        f.setUnderline(style & fsUnderline);
        f.setStrikeOut(style & fsStrikeOut);
        this->setFont(f);
    }

    // The size the control had when last shown (kept while it is hidden),
    // else the size set by SetWidth/SetHeight, else its current size.
    int Width() const {
        return FShownSize.isValid() ? FShownSize.width() : FWidth >= 0 ? FWidth : this->width();
    }
    int Height() const {
        return FShownSize.isValid() ? FShownSize.height() : FHeight >= 0 ? FHeight : this->height();
    }
    // Sizes the control and makes that its preferred size in layouts.
    void SetWidth(int w) {
        FWidth = w;
        if (FShownSize.isValid())
            FShownSize.setWidth(w);
        this->resize(w, this->height());
        this->updateGeometry();
    }
    void SetHeight(int h) {
        FHeight = h;
        if (FShownSize.isValid())
            FShownSize.setHeight(h);
        this->resize(this->width(), h);
        this->updateGeometry();
    }
    QSize sizeHint() const override {
        QSize s = FKeepRegularSize && FFontStyle != 0 && FRegularSize.isValid() ? FRegularSize
                                                                                : NaturalSize();
        if (FWidth >= 0)
            s.setWidth(FWidth);
        if (FHeight >= 0)
            s.setHeight(FHeight);
        return s;
    }

    QSize minimumSizeHint() const override {
        return FKeepRegularSize && FFontStyle != 0 && FRegularMinimum.isValid()
                   ? FRegularMinimum
                   : W::minimumSizeHint();
    }

    TNotifyEvent OnChange;
    TNotifyEvent OnClick;
    TNotifyEvent OnExit;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TKeyPressEvent OnKeyPress;

    // The change under way was made by code (a setter of this class), not
    // by the operator: rules for what the operator types (ranges, number
    // forms) leave such a change alone.
    bool ChangingByCode() const { return FCodeDepth > 0; }

    // What the tooltip shows while ShowHint is on: the hint.
    virtual std::string ToolTipText() const { return FInfo.Hint(); }

protected:
    // The preferred size before SetWidth/SetHeight apply.
    virtual QSize NaturalSize() const { return W::sizeHint(); }
    // Value fields show a changed value in bold: set, the control keeps the
    // size of its regular face while it is bold, so the rows around it do not
    // move and the field does not grow.
    void KeepRegularSizeWhenStyled() { FKeepRegularSize = true; }

    // Runs a change made from code (SetText, SetChecked, ...): an exception
    // from a handler the change triggers reaches the caller once the widget
    // has finished its own notification, as if the handler had been called
    // directly.
    template <class F> void FromCode(F change) {
        ++FCodeDepth;
        try {
            change();
        } catch (...) {
            --FCodeDepth;
            throw;
        }
        --FCodeDepth;
        if (FCodeDepth == 0 && FPending)
            std::rethrow_exception(std::exchange(FPending, nullptr));
    }

    // Runs a hook for a change: inside FromCode its exception is kept for the
    // caller, otherwise (the operator's change) it goes to the application's
    // handler.
    void Fire(const TNotifyEvent& hook) {
        if (!hook)
            return;
        if (FCodeDepth == 0) {
            Guarded(this, [&] { hook(this); });
            return;
        }
        try {
            hook(this);
        } catch (...) {
            if (!FPending)
                FPending = std::current_exception();
        }
    }

    // Pointer moves over an inner part (the edit inside a spin box or combo
    // box) reach OnMouseMove as moves over the control.
    void ForwardMouseMoves(QWidget* part) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
        FPart = part;
    }
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == FPart && e->type() == QEvent::MouseMove && OnMouseMove) {
            const auto* me = static_cast<QMouseEvent*>(e);
            const QPoint pos = FPart->mapTo(this, me->position().toPoint());
            Guarded(this, [&] { OnMouseMove(this, pos); });
        }
        return W::eventFilter(watched, e);
    }

    void mouseMoveEvent(QMouseEvent* e) override {
        W::mouseMoveEvent(e);
        e->accept();
        if (OnMouseMove)
            Guarded(this, [&] { OnMouseMove(this, e->position().toPoint()); });
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        W::mouseReleaseEvent(e); // a check box has toggled by now
        if (OnMouseUp)
            Guarded(this, [&] { OnMouseUp(this, e->button(), e->position().toPoint()); });
    }
    void keyPressEvent(QKeyEvent* e) override {
        const std::optional<char32_t> typed = KeyCharacter(*e);
        if (typed && OnKeyPress) {
            char32_t key = *typed;
            Guarded(this, [&] { OnKeyPress(this, key); });
            if (key == 0) {
                e->accept();
                return;
            }
            if (key != *typed) {
                QKeyEvent replaced(e->type(), e->key(), e->modifiers(), QString::fromUcs4(&key, 1),
                                   e->isAutoRepeat(), e->count());
                W::keyPressEvent(&replaced);
                e->setAccepted(replaced.isAccepted());
                return;
            }
        }
        W::keyPressEvent(e);
    }
    void resizeEvent(QResizeEvent* e) override {
        W::resizeEvent(e);
        if (this->isVisible())
            FShownSize = e->size();
    }
    void focusOutEvent(QFocusEvent* e) override {
        W::focusOutEvent(e);
        Fire(OnExit);
    }
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::EnabledChange)
            FInfo.StoreEnabled(!this->testAttribute(Qt::WA_ForceDisabled));
        W::changeEvent(e);
    }
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ToolTip) {
            const std::string tip = ToolTipText();
            if (!FShowHint || tip.empty()) {
                e->ignore();
                return true;
            }
            QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), QStr(tip), this);
            return true;
        }
        return W::event(e);
    }

private:
    TComponentInfo FInfo;
    TColor FFontColor = clWindowText;
    TFontStyles FFontStyle = 0;
    bool FShowHint = false;
    bool FKeepRegularSize = false;
    QSize FRegularSize;
    QSize FRegularMinimum;
    int FWidth = -1;
    int FHeight = -1;
    QSize FShownSize;
    QWidget* FPart = nullptr;
    int FCodeDepth = 0;
    std::exception_ptr FPending;
};
