#include "sim/SimHost.h"

#include <charconv>
#include <stdexcept>

#include "sim/SimCommandLine.h"
#include "toolkit/TextUtil.h"

namespace {

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

bool ParseSize(const std::string& text, std::size_t& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string Listed(const std::vector<std::string>& items) {
    std::string reply = "ok " + std::to_string(items.size());
    for (const std::string& item : items)
        reply += "\t" + ReadableBytes(item);
    return reply;
}

} // namespace

TSimHost::TSimHost(std::vector<std::string> args, TSimTrace trace,
                   std::function<void()> onLineDropped)
    : FArgs(std::move(args)), FTrace(std::move(trace)), FOnLineDropped(std::move(onLineDropped)) {
    Start(FArgs);
}

TSimHost::~TSimHost() {
    std::lock_guard lock(FMutex);
    FLink.reset();
    FSim.reset();
}

void TSimHost::Start(const std::vector<std::string>& args) {
    TSimCommandLine commandLine;
    if (const auto error = ParseSimCommandLine(args, commandLine))
        throw std::runtime_error(*error);
    commandLine.Options.Trace = FTrace;
    commandLine.Options.OnLineDropped = FOnLineDropped;
    auto sim = std::make_unique<TSimulator>(commandLine.Options);
    ApplySimCommandLine(commandLine, *sim);
    // The old link still names the old port, so it goes first; a program
    // opening the link meanwhile finds nothing rather than a dead line.
    FLink.reset();
    FSim = std::move(sim);
    FLinkPath = commandLine.LinkPath;
    if (!FLinkPath.empty())
        FLink.emplace(FLinkPath, FSim->SlavePath());
}

std::string TSimHost::SlavePath() const {
    std::lock_guard lock(FMutex);
    return FSim->SlavePath();
}

std::string TSimHost::Describe() const {
    std::lock_guard lock(FMutex);
    std::string text = "unit revision " + std::to_string(FSim->Unit().Revision()) +
                       " (generation " + std::to_string(FSim->Unit().Generation()) + ")";
    if (FSim->HasModem())
        text += " behind a GSM modem";
    if (FLink)
        text += ", link " + FLink->Path();
    return text;
}

std::string TSimHost::Reset(const std::string& options) {
    const std::vector<std::string> extra = Words(options);
    TSimCommandLine check;
    if (const auto error = ParseSimCommandLine(extra, check))
        return "error " + *error;
    if (check.Help || !check.LinkPath.empty() || !check.ControlPath.empty())
        return "error the link, the control line and help are fixed at start";
    std::vector<std::string> args = FArgs;
    args.insert(args.end(), extra.begin(), extra.end());
    Start(args);
    return "ok";
}

std::string TSimHost::Received(const std::string& wait) {
    const std::vector<std::string> words = Words(wait);
    std::size_t atLeast = 0;
    int timeoutMs = 0;
    if (!words.empty()) {
        std::size_t count = 0;
        std::size_t ms = 0;
        if (words.size() != 2 || !ParseSize(words[0], count) || !ParseSize(words[1], ms) ||
            ms > 600000)
            return "error received takes no arguments or a byte count and milliseconds";
        atLeast = count;
        timeoutMs = static_cast<int>(ms);
    }
    // Hexadecimal: exact for every byte, where the readable form is not.
    std::string reply = "ok ";
    for (const char c : FSim->TakeReceived(atLeast, timeoutMs))
        reply += IntToHexUpper(static_cast<unsigned char>(c), 2);
    return reply;
}

// The unit's settings and records; "" when Verb is none of them.
std::string TSimHost::UnitControl(const std::string& verb, const std::string& rest) {
    TSimUnit& unit = FSim->Unit();
    std::size_t a = 0, b = 0;
    const std::vector<std::string> words = Words(rest);
    const bool oneNumber = words.size() == 1 && ParseSize(words[0], a);
    if (verb == "fault") {
        TSimFault fault;
        if (const auto error = ParseFault(rest, fault))
            return "error " + *error;
        unit.AddFault(fault);
    } else if (verb == "set") {
        const std::size_t blank = rest.find(' ');
        const auto value =
            UnescapeArgument(rest.substr(blank == std::string::npos ? 0 : blank + 1));
        if (blank == 0 || blank == std::string::npos || !value)
            return "error set takes a key and a value: " + rest;
        unit.SetValue(rest.substr(0, blank), *value);
    } else if (verb == "value" && words.size() == 1) {
        std::string reply = "ok ";
        for (const char c : unit.Value(words[0]))
            reply += IntToHexUpper(static_cast<unsigned char>(c), 2);
        return reply;
    } else if (verb == "version") {
        const auto text = UnescapeArgument(rest);
        if (!text)
            return "error bad escape in: " + rest;
        unit.SetVersionText(rest.empty() ? std::nullopt : text);
    } else if (verb == "revision" && oneNumber && a < 100) {
        unit.SetRevision(static_cast<int>(a));
    } else if (verb == "reply-delay" && oneNumber && a <= 600000) {
        unit.SetReplyDelay(static_cast<int>(a));
    } else if (verb == "commit-fails" && (rest == "on" || rest == "off")) {
        unit.SetCommitFails(rest == "on");
    } else if (verb == "wait-commands" && words.size() == 2 && ParseSize(words[0], a) &&
               ParseSize(words[1], b) && b <= 600000) {
        return unit.WaitForCommands(a, static_cast<int>(b)) ? "ok 1" : "ok 0";
    } else if (!rest.empty()) {
        return {};
    } else if (verb == "clear-faults") {
        unit.ClearFaults();
    } else if (verb == "reset-store") {
        unit.ResetStore();
    } else if (verb == "clear-commands") {
        unit.ClearCommands();
    } else if (verb == "counts") {
        return "ok " + std::to_string(unit.CommandCount()) + " " +
               std::to_string(unit.CommitCount());
    } else {
        return {};
    }
    return "ok";
}

std::string TSimHost::Control(const std::string& line) {
    std::lock_guard lock(FMutex);
    const std::size_t blank = line.find(' ');
    const std::string verb = line.substr(0, blank);
    const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    try {
        if (verb == "reset")
            return Reset(rest);
        if (verb == "send") {
            const auto bytes = UnescapeArgument(rest);
            if (!bytes)
                return "error bad escape in: " + rest;
            FSim->Unit().SendUnsolicited(*bytes);
            return "ok";
        }
        if (verb == "hold" && (rest == "on" || rest == "off")) {
            FSim->SetHold(rest == "on");
            return "ok";
        }
        if (verb == "received")
            return Received(rest);
        if (std::string reply = UnitControl(verb, rest); !reply.empty())
            return reply;
        if (!rest.empty())
            return "error unknown command: " + line;
        if (verb == "drop") {
            FSim->Unit().DropLine();
            return "ok";
        }
        if (verb == "commands")
            return Listed(FSim->Unit().Commands());
        if (verb == "modem-lines")
            return FSim->HasModem() ? Listed(FSim->Modem().Lines()) : "error no modem";
        if (verb == "line")
            return "ok " + FSim->LineSettings();
    } catch (const std::exception& e) {
        return std::string("error ") + e.what();
    }
    return "error unknown command: " + line;
}
