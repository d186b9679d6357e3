#pragma once
// The bytes of one reply as they arrive: the first Limit bytes are kept, the
// rest only counted, and the end mark is spotted anywhere in the whole
// stream (letters compared case-insensitively), also where it straddles two
// chunks or lies beyond the kept part.
//
// Threading: a plain value, used by one thread.

#include <cstddef>
#include <string>
#include <string_view>

class TReplyBuffer {
public:
    // An empty EndMark is never seen.
    explicit TReplyBuffer(std::size_t Limit, std::string_view EndMark = {});

    void Append(std::string_view Bytes);

    bool MarkSeen() const { return FSeen; }
    const std::string& Kept() const { return FKept; }
    std::size_t Dropped() const { return FDropped; }
    std::size_t Total() const { return FKept.size() + FDropped; }
    bool Empty() const { return Total() == 0; }

private:
    std::size_t FLimit;
    std::string FMark; // upper case
    std::string FKept;
    std::size_t FDropped = 0;
    std::string FTail; // the last bytes of the stream, one fewer than the mark
    bool FSeen = false;
};
