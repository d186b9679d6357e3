// The unit's command vocabulary: which text reaches which parameter in which
// generation, the commit, the actions and the version.
#include "sim/SimUnit.h"

namespace {
const std::string kError = "ERROR\r\n";
} // namespace

std::string TSimUnit::ValueReply(std::string_view name, const std::string& value) const {
    std::string r = FEcho ? std::string() : std::string(name) + "\r\n";
    return r + ">" + value + "\r\nOK\r\n";
}

std::string TSimUnit::DoneReply(std::string_view name) const {
    return (FEcho ? std::string() : std::string(name) + "\r\n") + "OK\r\n";
}

std::string TSimUnit::Execute(const std::string& line, const std::optional<std::string>* Kept) {
    if (line.size() < 2 || line[0] != '+')
        return kError;
    const char letter = line[1];
    const std::string name = line.substr(0, 2);
    const std::string_view arg = std::string_view(line).substr(2);
    const int generation = FRevision <= 18 ? 1 : FRevision <= 36 ? 2 : 0;
    const unsigned genBit = 1u << generation;

    switch (letter) {
    case 'v':
        if (!arg.empty())
            return kError;
        return ValueReply(name,
                          FVersionText.value_or("ORBELIN REV 07." + std::to_string(FRevision)));
    case 'J': {
        // Firmware up to revision 48 knows only the short commit, later firmware
        // only the long one.
        const bool longCommit = line == "+JWRITE";
        if ((line != "+J" && !longCommit) || longCommit != (FRevision >= 49) || FCommitFails)
            return kError;
        ++FCommits;
        return DoneReply(name);
    }
    case 'Q': // GPS receiver restart
        if (!arg.empty() || !(genBit & kSimGen0))
            return kError;
        return DoneReply(name);
    case 'm': // event flags reset
        if (!arg.empty() || !(genBit & (kSimGen0 | kSimGen2)))
            return kError;
        FStore.Set(*FStore.Find("+M"), "0000");
        return DoneReply(name);
    default:
        break;
    }

    // Engineering numbers and the generation-1 per-input codes carry their
    // index in the two characters after the letter.
    std::string key = name;
    std::string_view value = arg;
    const bool indexed = letter == 'f' || ((letter == 'Z' || letter == 'z') && generation == 1);
    if (indexed) {
        if (arg.size() < 2)
            return kError;
        key += arg.substr(0, 2);
        value = arg.substr(2);
    }
    const TSimParam* param = FStore.Find(key);
    if (!param || !(param->Generations & genBit))
        return kError;
    if (value.empty()) {
        // "+f01" followed by nothing is the read of number 1; a blank after it
        // is a write.
        return ValueReply(name, FStore.Get(*param));
    }
    const auto accepted = TSimStore::Accept(*param, value);
    if (!accepted)
        return kError;
    // A unit that keeps another value still answers with the one it was sent.
    if (!Kept)
        FStore.Set(*param, *accepted);
    else if (Kept->has_value())
        FStore.Set(*param, **Kept);
    return ValueReply(name, *accepted);
}
