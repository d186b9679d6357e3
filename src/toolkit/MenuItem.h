#pragma once
// A menu item (a QAction) that is also a component of its form. A checkable
// item does not toggle by itself when chosen: its OnClick handler decides
// the check mark, so the mark always shows the state the program keeps.
//
// Threading: Checked, Enabled and Visible from any thread (snapshots);
// everything else on the GUI thread.

#include <QAction>
#include <QIcon>
#include <atomic>
#include <string>

#include "toolkit/Control.h"

// The caption may mark its mnemonic letter with "&" ("&Сохранить"); Caption
// gives the text without the mark, as the item reads on the screen.
class TMenuItem : public QAction {
public:
    TMenuItem(TForm* Owner, std::string Name, const std::string& Caption,
              QObject* Parent = nullptr);

    const std::string& Name() const { return FInfo.Name(); }
    TComponentInfo& Info() { return FInfo; }
    std::string Caption() const { return StdStr(WithoutMnemonic(text())); }

    bool Checked() const { return FChecked.load(std::memory_order_acquire); }
    void SetChecked(bool on);
    bool Enabled() const { return FInfo.Enabled(); }
    void SetEnabled(bool on);
    bool Visible() const { return FInfo.Visible(); }
    void SetVisible(bool on);
    void SetIcon(const QIcon& icon) { setIcon(icon); }

    // Runs OnClick from code; exceptions reach the caller.
    void Click();

    TNotifyEvent OnClick;

private:
    TComponentInfo FInfo;
    std::atomic<bool> FChecked{false};
};
