#include "app/SplashDlg.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

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
    Panel2->setMinimumHeight(56);
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
    setFixedSize(295, 144);
}
