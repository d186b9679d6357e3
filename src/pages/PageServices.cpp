#include "PageServices.h"

namespace {
TPageServices& Installed() {
    static TPageServices services;
    return services;
}
} // namespace

void SetPageServices(TPageServices services) {
    Installed() = std::move(services);
}

const TPageServices& PageServices() {
    return Installed();
}

bool PostPageRequest(std::uint8_t code) {
    return Installed().PostRequest && Installed().PostRequest(code);
}

bool PostPreparedRequest(std::uint8_t code, const std::function<void()>& prepare,
                         const std::function<void()>& undo) {
    prepare();
    if (PostPageRequest(code))
        return true;
    undo();
    return false;
}

std::string DescribeParameter(int parameter) {
    return Installed().Describe ? Installed().Describe(parameter) : std::string();
}
