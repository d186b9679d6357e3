#include "link/DialNumber.h"

#include "toolkit/TextUtil.h"

std::string FilterPhone(const std::string& Phone) {
    if (TrimBlanks(Phone).empty())
        return {};
    std::string kept;
    for (char c : Phone)
        if ((c >= '0' && c <= '9') || c == 'W' || c == 'w' || c == '+' || c == ',' || c == ';')
            kept += c;
    return kept;
}
