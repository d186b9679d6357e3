#include "ExceptionHandler.h"

#include <cstdio>

namespace {
TExceptionHandler& Handler() {
    static TExceptionHandler h;
    return h;
}
} // namespace

void SetExceptionHandler(TExceptionHandler handler) {
    Handler() = std::move(handler);
}

void HandleException(std::exception_ptr error) noexcept {
    std::string message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Неизвестная ошибка";
    }
    try {
        if (Handler()) {
            Handler()(message);
            return;
        }
    } catch (...) {
        // A handler that fails itself falls back to the plain report below.
    }
    std::fprintf(stderr, "%s\n", message.c_str());
}
