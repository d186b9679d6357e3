#include "app/SplashDlg.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// The design size, which is also the least.
constexpr int DesignWidth = 295;
constexpr int DesignHeight = 144;
constexpr int StateDesignHeight = 56;
} // namespace

TdlgSplash::TdlgSplash(TForm* Owner)
    : TForm(Owner, "dlgSplash", Owner), Panel1(new TPanel(this, "Panel1")),
      Panel2(new TPanel(this, "Panel2")), Panel5(new TPanel(this, "Panel5")),
      ProgressBar1(new TProgressBar(this, "ProgressBar1", Panel5)),
      Button1(new TButton(this, "Button1")), CancelBtn(new TButton(this, "CancelBtn")) {
    SetBorder(TFormBorder::Dialog);
    SetPosition(TFormPosition::ScreenCenter);
    SetCaption("Подключение");

    Panel1->SetBevel(TBevelKind::Lowered);
    Panel1->SetCaption("Состояние подключения");
    Panel1->setMinimumHeight(28);
    Panel2->SetBevel(TBevelKind::Lowered);
    Panel2->SetFontStyle(fsBold);
    Panel2->setMinimumHeight(StateDesignHeight);
    Panel2->OnChange = [this](QObject*) {
        FitState();
        // A connection that failed has nothing left to cancel.
        const std::string state = Panel2->Caption();
        CancelBtn->SetCaption(
            state.starts_with("ОШИБКА") || state.starts_with("Ошибка") ? "Закрыть" : "Отмена");
    };
    Panel5->SetBevel(TBevelKind::None);
    (new QVBoxLayout(Panel5))->addWidget(ProgressBar1);
    Panel5->SetVisible(false);

    Button1->SetCaption("OK");
    Button1->SetModalResult(mrOk);
    Button1->SetVisible(false);
    CancelBtn->SetCaption("Отмена");
    CancelBtn->SetModalResult(mrCancel);
    CancelBtn->SetCancel(true);

    auto* column = new QVBoxLayout(this);
    column->addWidget(Panel1);
    column->addWidget(Panel2, 1);
    column->addWidget(Panel5);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(CancelBtn);
    buttons->addStretch(1);
    column->addLayout(buttons);
    setFixedSize(DesignWidth, DesignHeight);
}

// A state text wraps at its blanks only, so that a port's path or a
// number stays whole; the window grows for a word or lines that do not
// fit its design size, and returns to it for the next short text, keeping
// its place on the screen.
void TdlgSplash::FitState() {
    const QMargins margins = layout()->contentsMargins();
    const int chrome = margins.left() + margins.right();
    const int width = std::max(DesignWidth, Panel2->CaptionWordWidth() + chrome);
    Panel2->setMinimumHeight(std::max(StateDesignHeight, Panel2->CaptionHeight(width - chrome)));
    layout()->invalidate();
    const QSize size(width, std::max(DesignHeight, layout()->minimumSize().height()));
    if (size == this->size())
        return;
    const QPoint centre = geometry().center();
    setFixedSize(size);
    if (isVisible())
        move(centre - rect().center());
}
