#pragma once
// Failures inside event handlers. A handler run by the user interface (a
// click, a key, a change the operator made) must not let an exception into
// the window system's event loop: it goes to the application's exception
// handler instead, which the main window sets to show the standard error
// message. A handler run because of a call from code (Click(), SetText(),
// SetChecked(), ...) lets its exception reach that caller.
//
// Threading: the handler is set and called on the GUI thread.

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

// A text that was expected to be a number (or a colour) is not one.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TExceptionHandler = std::function<void(const std::string& Message)>;

// Replaces the handler; an empty one restores the default (a line on stderr).
void SetExceptionHandler(TExceptionHandler Handler);
// Hands the exception's message to the handler; never throws.
void HandleException(std::exception_ptr Error) noexcept;

// Runs f, handing any exception to HandleException.
template <class F> void Guarded(F&& f) noexcept {
    try {
        f();
    } catch (...) {
        HandleException(std::current_exception());
    }
}
