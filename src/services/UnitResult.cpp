#include "services/UnitResult.h"

#include <iterator>

namespace {

// In the order of TUnitResult.
constexpr TUnitResultWords Words[] = {
    {"", "", "", exSomeFailed},
    {"verified", "проверено", "verified", exAllVerified},
    // The window's alone: orbelin-batch reads back what it writes.
    {"written", "записано", "written", exSomeFailed},
    {"failed", "ошибка", "failed", exSomeFailed},
    {"failed", "ошибка", "failed", exBadInput},
    {"link lost", "связь потеряна", "link lost", exSomeFailed},
    {"same", "совпадает", "same", exAllVerified},
    {"differs", "различается", "differs", exSomeFailed},
    // The phase's word: a read that went well is just that.
    {"read", "чтение", "read", exAllVerified},
    {"no connection", "нет связи", "no connection", exNoConnection},
    {"interrupted", "прервано", "interrupted", exInterrupted},
};
static_assert(std::size(Words) == static_cast<std::size_t>(TUnitResult::Interrupted) + 1);

TUnitResult ResultAt(std::size_t Index) {
    return static_cast<TUnitResult>(Index);
}

} // namespace

const TUnitResultWords& WordsOf(TUnitResult Result) {
    const auto index = static_cast<std::size_t>(Result);
    return Words[index < std::size(Words) ? index : 0];
}

TUnitResult ResultFromJournal(std::string_view Word) {
    for (std::size_t i = 1; i < std::size(Words); ++i)
        if (Word == Words[i].Journal)
            return ResultAt(i);
    return TUnitResult::Unknown;
}

std::optional<TUnitResult> ResultFromReport(std::string_view Word, int Exit) {
    std::optional<TUnitResult> named;
    for (std::size_t i = 1; i < std::size(Words); ++i)
        if (Word == Words[i].Report) {
            if (Words[i].Exit == Exit)
                return ResultAt(i);
            if (!named)
                named = ResultAt(i);
        }
    return named;
}
