#pragma once
// TForm: a window or a page. Pages are forms parented into the main window's
// page area; the main window and the dialogs are forms without a parent.
//
// A form owns the components created with it as their owner: it finds them
// by name (letter case ignored), lists them in creation order and destroys
// them with itself. Components are heap objects.
//
// Threading: Components, FindComponent and FindComponentInfo may be called
// from any thread (the list is complete before a worker starts and only read
// afterwards); everything else on the GUI thread.

#include <QWidget>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "toolkit/Control.h"

class QEventLoop;
class TButton;

// Modal results.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

enum class TFormPosition { Designed, ScreenCenter };
enum class TFormBorder { Sizeable, Dialog, None };

class TForm : public TControlT<QWidget> {
public:
    TForm(TForm* Owner, std::string Name, QWidget* Parent = nullptr);
    ~TForm() override;

    std::vector<TComponentInfo*> Components() const;
    QObject* FindComponent(std::string_view Name) const;
    TComponentInfo* FindComponentInfo(std::string_view Name) const;
    template <class T> T* Find(std::string_view Name) const {
        return dynamic_cast<T*>(FindComponent(Name));
    }

    std::string Caption() const;
    void SetCaption(const std::string& Caption);
    // Where failures of the operator's actions on this form's controls go,
    // unless a form inside it has its own (see ExceptionHandler.h).
    const TExceptionHandler& ExceptionHandler() const { return FExceptionHandler; }
    void SetExceptionHandler(TExceptionHandler Handler) { FExceptionHandler = std::move(Handler); }
    void SetPosition(TFormPosition Position) { FPosition = Position; }
    void SetBorder(TFormBorder Border);

    // Makes the form visible and brings it to the front.
    void Show();
    // Shows the form modally until its ModalResult becomes non-zero (a button
    // with a modal result, SetModalResult, or closing the window: mrCancel).
    int ShowModal();
    bool InModal() const { return FModalLoop != nullptr; }
    int ModalResult() const { return FModalResult; }
    // While modal, a non-zero result closes the form once the running
    // handler has returned (it may still reset the result to mrNone).
    void SetModalResult(int Result);

    // Enter presses the default button (or the focused button), Esc the
    // cancel button. Set through TButton::SetDefault / SetCancel.
    TButton* DefaultButton() const { return FDefaultButton; }
    TButton* CancelButton() const { return FCancelButton; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    friend class TComponentInfo;
    friend class TButton;
    void InsertComponent(TComponentInfo* Component);
    void RemoveComponent(TComponentInfo* Component);
    void CenterOnScreen();

    mutable std::mutex FMutex;
    TExceptionHandler FExceptionHandler;
    std::vector<TComponentInfo*> FComponents;
    std::unordered_map<std::string, TComponentInfo*> FByName; // upper-case names

    TFormPosition FPosition = TFormPosition::Designed;
    QEventLoop* FModalLoop = nullptr;
    int FModalResult = mrNone;
    TButton* FDefaultButton = nullptr;
    TButton* FCancelButton = nullptr;
};
