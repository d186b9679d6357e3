#include "link/ReplyBuffer.h"

#include <algorithm>

#include "toolkit/TextUtil.h"

TReplyBuffer::TReplyBuffer(std::size_t Limit, std::string_view EndMark)
    : FLimit(Limit), FMark(ToUpperAscii(EndMark)) {}

void TReplyBuffer::Append(std::string_view Bytes) {
    if (Bytes.empty())
        return;
    if (!FMark.empty() && !FSeen) {
        std::string window = FTail;
        window.append(Bytes);
        FSeen = FindNoCaseAscii(window, FMark) != std::string::npos;
        const std::size_t keep = std::min(window.size(), FMark.size() - 1);
        FTail = window.substr(window.size() - keep);
    }
    const std::size_t room = FLimit > FKept.size() ? FLimit - FKept.size() : 0;
    const std::size_t take = std::min(room, Bytes.size());
    FKept.append(Bytes.substr(0, take));
    FDropped += Bytes.size() - take;
}
