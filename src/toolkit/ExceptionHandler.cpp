#include "toolkit/ExceptionHandler.h"

#include <cstdio>

#include "toolkit/Form.h"

namespace {
TExceptionHandler NearestHandler(const QObject* context) {
    for (const QObject* o = context; o; o = o->parent())
        if (const auto* form = dynamic_cast<const TForm*>(o); form && form->ExceptionHandler())
            return form->ExceptionHandler();
    return {};
}
} // namespace

void HandleException(const QObject* context, std::exception_ptr error) noexcept {
    std::string message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Неизвестная ошибка";
    }
    try {
        // A copy: the handler may replace the form's own while it runs.
        if (const TExceptionHandler handler = NearestHandler(context)) {
            handler(message);
            return;
        }
    } catch (...) {
        // A handler that fails itself falls back to the plain report below.
    }
    std::fprintf(stderr, "%s\n", message.c_str());
}
