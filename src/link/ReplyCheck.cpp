#include "link/ReplyCheck.h"

namespace {

bool Contains(std::string_view Text, std::string_view Part) {
    return Text.find(Part) != std::string_view::npos;
}

const char* const NoAnswer = "ОШИБКА! COM-порт не ответил!";
const char* const NoDataCall = "ОШИБКА! Не могу установить цифровое соединение!";
const char* const CallLost = "ОШИБКА! Цифровое соединение разорвано!";

} // namespace

TReplyVerdict ClassifyReply(bool NoReply, std::string_view Reply, TReplyKind Kind) {
    switch (Kind) {
    case ckCommand:
    case ckDial:
        if (NoReply)
            // A dial that got nothing back ends the dialogue at once.
            return {1, NoAnswer, Kind == ckDial};
        if (Contains(Reply, "ERROR") || Contains(Reply, "NO CARRIER") ||
            !Contains(Reply, Kind == ckDial ? "CONNECT" : "OK"))
            return {1, NoDataCall, false};
        return {};
    case ckLink:
        if (ReportsLineLost(Reply))
            return {1, CallLost, true};
        if (Contains(Reply, "ERROR"))
            return {2, nullptr, false};
        return {};
    }
    return {};
}

std::string_view DialResult(std::string_view Reply) {
    for (std::string_view code : {"BUSY", "NO ANSWER", "NO CARRIER", "NO DIALTONE", "ERROR"})
        if (Contains(Reply, code))
            return code;
    return {};
}

bool ReportsLineLost(std::string_view Reply) {
    return Contains(Reply, "NO CARRIER") || Contains(Reply, "DISCONNECT") ||
           Contains(Reply, "BUSY");
}
