#include "pages/PageServices.h"

bool TPageServices::Post(std::uint8_t code) const {
    return PostRequest && PostRequest(code);
}

bool TPageServices::PostPrepared(std::uint8_t code, const std::function<void()>& prepare,
                                 const std::function<void()>& undo) const {
    prepare();
    if (Post(code))
        return true;
    undo();
    return false;
}

std::string TPageServices::DescribeParameter(int parameter) const {
    return Describe ? Describe(parameter) : std::string();
}
