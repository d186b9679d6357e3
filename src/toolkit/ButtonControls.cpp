#include "toolkit/ButtonControls.h"

#include <QStyle>
#include <QStyleOptionButton>

#include "toolkit/Form.h"

TButton::TButton(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QPushButton>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { Guarded(this, [this] { Click(); }); });
}

TButton::~TButton() {
    if (TForm* owner = Owner()) {
        if (owner->FDefaultButton == this)
            owner->FDefaultButton = nullptr;
        if (owner->FCancelButton == this)
            owner->FCancelButton = nullptr;
    }
}

void TButton::SetDefault(bool on) {
    setDefault(on);
    if (TForm* owner = Owner()) {
        if (on)
            owner->FDefaultButton = this;
        else if (owner->FDefaultButton == this)
            owner->FDefaultButton = nullptr;
    }
}

void TButton::SetCancel(bool on) {
    if (TForm* owner = Owner()) {
        if (on)
            owner->FCancelButton = this;
        else if (owner->FCancelButton == this)
            owner->FCancelButton = nullptr;
    }
}

TForm* TButton::ParentForm() const {
    TForm* found = nullptr;
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* f = dynamic_cast<TForm*>(w))
            found = f;
        if (w->isWindow())
            break;
    }
    return found;
}

void TButton::Click() {
    if (FModalResult != mrNone)
        if (TForm* form = ParentForm())
            form->SetModalResult(FModalResult);
    if (OnClick)
        OnClick(this);
}

void TButton::UserClick() {
    if (isEnabled())
        Guarded(this, [this] { Click(); });
}

void SetButtonBackground(QWidget* button, TColor color) {
    QPalette pal = button->palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    pal.setColor(QPalette::Button, ToQColor(color));
    button->setPalette(pal);
    button->setAutoFillBackground(color != clBtnFace);
}

namespace {
// The size of the button with the caption "!" in bold and underlined, the
// look of a changed value.
QSize MarkedSize(const QAbstractButton* button, QStyle::ContentsType type) {
    QFont marked = button->font();
    marked.setBold(true);
    marked.setUnderline(true);
    const QFontMetrics metrics(marked);
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.fontMetrics = metrics;
    opt.text = QStringLiteral("!");
    // Measured as the button measures its own caption.
    const QSize text = button->style()
                           ->itemTextRect(metrics, QRect(), Qt::TextShowMnemonic, false, opt.text)
                           .size();
    return button->style()->sizeFromContents(type, &opt, text, button);
}
} // namespace

TCheckBox::TCheckBox(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QCheckBox>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    connect(this, &QCheckBox::toggled, this, [this](bool on) {
        FChecked.store(on, std::memory_order_release);
        Fire(OnClick);
    });
}

QSize TCheckBox::NaturalSize() const {
    return QCheckBox::sizeHint().expandedTo(MarkedSize(this, QStyle::CT_CheckBox));
}

void TCheckBox::SetColor(TColor color) {
    FColor = color;
    SetButtonBackground(this, color);
}

TRadioButton::TRadioButton(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QRadioButton>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setAutoExclusive(false);
    connect(this, &QRadioButton::toggled, this, [this](bool on) {
        FChecked.store(on, std::memory_order_release);
        if (on && parentWidget())
            for (QObject* sibling : parentWidget()->children())
                if (auto* other = dynamic_cast<TRadioButton*>(sibling); other && other != this)
                    other->setChecked(false);
        if (on)
            Fire(OnClick);
    });
}

void TRadioButton::nextCheckState() {
    if (!isChecked())
        setChecked(true);
}

void TRadioButton::SetColor(TColor color) {
    FColor = color;
    SetButtonBackground(this, color);
}

QSize TRadioButton::NaturalSize() const {
    return QRadioButton::sizeHint().expandedTo(MarkedSize(this, QStyle::CT_RadioButton));
}

void TRadioButton::SetChecked(bool on) {
    FromCode([&] {
        if (on || !isChecked() || !autoExclusive()) {
            setChecked(on);
            return;
        }
        setAutoExclusive(false);
        setChecked(false);
        setAutoExclusive(true);
    });
}
