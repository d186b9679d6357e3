#pragma once
// Failures inside event handlers. A handler run by the user interface (a
// click, a key, a change the operator made) must not let an exception into
// the window system's event loop: it goes to the exception handler of the
// nearest form around the control (TForm::SetExceptionHandler), which the
// main window sets to show the standard error message. A handler run because
// of a call from code (Click(), SetText(), SetChecked(), ...) lets its
// exception reach that caller.
//
// Threading: handlers are set and called on the GUI thread.

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

class QObject;

// A text that was expected to be a number (or a colour) is not one.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TExceptionHandler = std::function<void(const std::string& Message)>;

// Hands the exception's message to the handler of the nearest form that has
// one among Context and its parents; without one, the message is a line on
// stderr. Never throws.
void HandleException(const QObject* Context, std::exception_ptr Error) noexcept;

// Runs f, handing any exception to HandleException.
template <class F> void Guarded(const QObject* Context, F&& f) noexcept {
    try {
        f();
    } catch (...) {
        HandleException(Context, std::current_exception());
    }
}
