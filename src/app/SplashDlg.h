#pragma once
// TdlgSplash: the window shown modally while a connection is being made. The
// link thread writes its progress and error texts into Panel2 through the
// UI-update queue; after a successful handshake the device posts "Click" to
// the hidden Button1, which closes the window with mrOk. "Отмена" (or Esc)
// closes it with mrCancel. A long text makes the window larger, never
// breaks a word.
//
// Threading: GUI thread; Panel2's caption may be read from any thread.

#include "toolkit/Controls.h"

class TdlgSplash : public TForm {
public:
    explicit TdlgSplash(TForm* Owner);

    TPanel* Panel1;
    TPanel* Panel2;
    TPanel* Panel5;
    TProgressBar* ProgressBar1;
    TButton* Button1;
    TButton* CancelBtn;

private:
    void FitState();
};
