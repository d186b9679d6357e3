#include "toolkit/BarControls.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QStyle>
#include <QStyleOption>

TStatusPanel::TStatusPanel(TStatusBar* Bar, int Index) : QObject(Bar), FBar(Bar), FIndex(Index) {}

// Each setter repaints only what changed, and nothing when given the value
// the panel already has.
void TStatusPanel::SetText(const std::string& text) {
    if (text == FText.Get())
        return;
    FText.Set(text);
    FBar->update(FBar->PanelRect(FIndex));
}

void TStatusPanel::SetWidth(int width) {
    if (width == FWidth)
        return;
    FWidth = width;
    FBar->PlaceControls();
    FBar->update();
}

void TStatusPanel::SetAlignment(Qt::Alignment alignment) {
    if (alignment == FAlignment)
        return;
    FAlignment = alignment;
    FBar->update(FBar->PanelRect(FIndex));
}

void TStatusPanel::SetStyle(TStatusPanelStyle style) {
    if (style == FStyle)
        return;
    FStyle = style;
    FBar->update(FBar->PanelRect(FIndex));
}

TStatusBar::TStatusBar(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QWidget>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

TStatusPanel* TStatusBar::AddPanel(const std::string& text, int width, Qt::Alignment alignment,
                                   TStatusPanelStyle style) {
    auto* panel = new TStatusPanel(this, PanelCount());
    panel->SetText(text);
    panel->SetWidth(width);
    panel->SetAlignment(alignment);
    panel->SetStyle(style);
    FPanels.push_back(panel);
    update();
    return panel;
}

void TStatusBar::PlaceOnPanel(int index, QWidget* control) {
    control->setParent(this);
    FPlaced.emplace_back(index, control);
    PlaceControls();
}

void TStatusBar::PlaceControls() {
    for (const auto& [index, control] : FPlaced)
        control->setGeometry(PanelRect(index));
}

void TStatusBar::resizeEvent(QResizeEvent* e) {
    TControlT<QWidget>::resizeEvent(e);
    PlaceControls();
}

QRect TStatusBar::PanelRect(int index) const {
    int left = 0;
    for (int i = 0; i < index && i < PanelCount(); ++i)
        left += FPanels[static_cast<size_t>(i)]->Width();
    const int width = index < PanelCount() ? FPanels[static_cast<size_t>(index)]->Width() : 0;
    return QRect(left, 0, width, height()).adjusted(1, 2, -1, -1);
}

QSize TStatusBar::NaturalSize() const {
    int width = 0;
    for (const TStatusPanel* p : FPanels)
        width += p->Width();
    return QSize(width, fontMetrics().height() + 8);
}

void TStatusBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (int i = 0; i < PanelCount(); ++i) {
        TStatusPanel* panel = FPanels[static_cast<size_t>(i)];
        const QRect r = PanelRect(i);
        QStyleOptionFrame frame;
        frame.initFrom(this);
        frame.rect = r;
        frame.state |= QStyle::State_Sunken;
        frame.lineWidth = 1;
        style()->drawPrimitive(QStyle::PE_Frame, &frame, &p, this);
        if (panel->Style() == TStatusPanelStyle::OwnerDraw) {
            if (OnDrawPanel) {
                p.save();
                Guarded(this, [&] { OnDrawPanel(this, panel, p, r); });
                p.restore();
            }
            continue;
        }
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r.adjusted(3, 0, -3, 0), int(panel->Alignment() | Qt::AlignVCenter),
                   fontMetrics().elidedText(QStr(panel->Text()), Qt::ElideRight, r.width() - 6));
    }
}

TToolButton::TToolButton(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QToolButton>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    SetShowHint(true);
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(this, &QToolButton::clicked, this, [this] { Guarded(this, [this] { Click(); }); });
}

void TToolButton::Click() {
    if (OnClick)
        OnClick(this);
}

void TToolButton::SetShortcut(const QKeySequence& key, bool owned) {
    FShortcut = key;
    setShortcut(owned ? key : QKeySequence());
}

std::string TToolButton::ToolTipText() const {
    const std::string hint = Hint();
    if (FShortcut.isEmpty() || hint.empty())
        return hint;
    return hint + " (" + StdStr(FShortcut.toString(QKeySequence::NativeText)) + ")";
}

TToolBar::TToolBar(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QWidget>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(0);
    row->addStretch(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TToolBar::AddButton(TToolButton* button) {
    auto* row = static_cast<QHBoxLayout*>(layout());
    button->setMinimumWidth(FButtonWidth);
    row->insertWidget(row->count() - 1, button);
    FButtons.push_back(button);
}

void TToolBar::AddDivider() {
    auto* row = static_cast<QHBoxLayout*>(layout());
    auto* line = new QFrame(this);
    line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
    line->setContentsMargins(4, 0, 4, 0);
    row->insertWidget(row->count() - 1, line);
}

void TToolBar::SetButtonWidth(int width) {
    FButtonWidth = width;
    for (TToolButton* b : FButtons)
        b->setMinimumWidth(width);
}
