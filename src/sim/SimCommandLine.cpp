#include "sim/SimCommandLine.h"

#include <charconv>
#include <map>

#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

namespace {

std::optional<int> ParseCount(std::string_view s) {
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < 0)
        return std::nullopt;
    return v;
}

std::vector<std::string_view> Split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t pos = s.find(sep, start);
        parts.push_back(s.substr(start, pos == std::string_view::npos ? pos : pos - start));
        if (pos == std::string_view::npos)
            return parts;
        start = pos + 1;
    }
}

const std::map<std::string_view, TSimFaultKind> kFaultKinds{
    {"no-answer", TSimFaultKind::NoAnswer},
    {"error", TSimFaultKind::Error},
    {"no-ok", TSimFaultKind::NoOk},
    {"late", TSimFaultKind::Late},
    {"garbage", TSimFaultKind::Garbage},
    {"long-line", TSimFaultKind::LongLine},
    {"no-carrier", TSimFaultKind::NoCarrier},
    {"drop-line", TSimFaultKind::DropLine},
    {"keep", TSimFaultKind::Keep},
    {"clamp", TSimFaultKind::Clamp},
};

// Named modem behaviours; registration spellings as modems are seen to write them.
const std::map<std::string_view, void (*)(TSimModemConfig&)> kModemVariants{
    {"echo", [](TSimModemConfig& c) { c.Echo = true; }},
    {"noecho", [](TSimModemConfig& c) { c.Echo = false; }},
    {"atz-error", [](TSimModemConfig& c) { c.Atz = {TSimAtReply::Error}; }},
    {"atz-silent", [](TSimModemConfig& c) { c.Atz = {TSimAtReply::Silent}; }},
    {"cbst-error", [](TSimModemConfig& c) { c.Cbst = {TSimAtReply::Error}; }},
    {"cbst-silent", [](TSimModemConfig& c) { c.Cbst = {TSimAtReply::Silent}; }},
    {"at-error", [](TSimModemConfig& c) { c.At = {TSimAtReply::Error}; }},
    {"at-silent", [](TSimModemConfig& c) { c.At = {TSimAtReply::Silent}; }},
    {"creg-home", [](TSimModemConfig& c) { c.Creg = {"+CREG: 0,1"}; }},
    {"creg-roaming", [](TSimModemConfig& c) { c.Creg = {"+CREG: 0,5"}; }},
    {"creg-nospace", [](TSimModemConfig& c) { c.Creg = {"+CREG:0,1"}; }},
    {"creg-spaced", [](TSimModemConfig& c) { c.Creg = {"+CREG: 0 , 1"}; }},
    {"creg-roaming-nospace", [](TSimModemConfig& c) { c.Creg = {"+CREG:0,5"}; }},
    {"creg-none", [](TSimModemConfig& c) { c.Creg = {"+CREG: 0,2"}; }},
    {"creg-late",
     [](TSimModemConfig& c) {
         c.Creg = {"+CREG: 0,2", "+CREG: 0,2", "+CREG: 0,1"};
     }},
    {"creg-silent", [](TSimModemConfig& c) { c.Creg = {""}; }},
    {"connect-9600", [](TSimModemConfig& c) { c.Dial = {"CONNECT 9600"}; }},
    {"connect-4800", [](TSimModemConfig& c) { c.Dial = {"CONNECT 4800"}; }},
    {"busy", [](TSimModemConfig& c) { c.Dial = {"BUSY"}; }},
    {"no-carrier", [](TSimModemConfig& c) { c.Dial = {"NO CARRIER"}; }},
    {"no-answer", [](TSimModemConfig& c) { c.Dial = {"NO ANSWER"}; }},
    {"dial-error", [](TSimModemConfig& c) { c.Dial = {"ERROR"}; }},
    {"dial-silent", [](TSimModemConfig& c) { c.Dial = {""}; }},
    {"dial-echo",
     [](TSimModemConfig& c) {
         c.Dial = {""};
         c.Echo = true;
     }},
    {"cpin-off", [](TSimModemConfig& c) { c.CpinDelayMs = -1; }},
    {"cpin-crlf", [](TSimModemConfig& c) { c.CpinText = "\r\n+CPIN: READY\r\n"; }},
};

bool TakeValue(const std::vector<std::string>& args, size_t& i, std::string_view name,
               std::string& value) {
    const std::string& a = args[i];
    const std::string prefix = std::string(name) + "=";
    if (a.starts_with(prefix)) {
        value = a.substr(prefix.size());
        return true;
    }
    if (a == name && i + 1 < args.size()) {
        value = args[++i];
        return true;
    }
    return false;
}

} // namespace

std::optional<std::string> UnescapeArgument(std::string_view text) {
    std::string utf8;
    std::string bytes;
    auto flush = [&] {
        bytes += Utf8ToCp1251Lossy(utf8);
        utf8.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            utf8 += text[i];
            continue;
        }
        flush();
        if (++i >= text.size())
            return std::nullopt;
        switch (text[i]) {
        case 'r':
            bytes += '\r';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 't':
            bytes += '\t';
            break;
        case '\\':
            bytes += '\\';
            break;
        case 'x': {
            const int hi = i + 1 < text.size() ? HexDigitValue(text[i + 1]) : -1;
            const int lo = i + 2 < text.size() ? HexDigitValue(text[i + 2]) : -1;
            if (hi < 0 || lo < 0)
                return std::nullopt;
            bytes += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    flush();
    return bytes;
}

std::string ReadableBytes(std::string_view bytes) {
    std::string out;
    std::string run;
    auto flush = [&] {
        out += Cp1251ToUtf8(run);
        run.clear();
    };
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F && c != '\\') {
            run += c;
            continue;
        }
        flush();
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\')
            out += "\\\\";
        else
            out += "\\x" + IntToHexUpper(u, 2);
    }
    flush();
    return out;
}

std::optional<std::string> ApplyModemVariant(std::string_view variant, TSimModemConfig& config) {
    if (const auto it = kModemVariants.find(variant); it != kModemVariants.end()) {
        it->second(config);
        return std::nullopt;
    }
    const size_t eq = variant.find('=');
    if (eq != std::string_view::npos) {
        const std::string_view key = variant.substr(0, eq);
        const auto ms = ParseCount(variant.substr(eq + 1));
        int* target = key == "guard"        ? &config.GuardMs
                      : key == "dial-delay" ? &config.DialDelayMs
                      : key == "cpin"       ? &config.CpinDelayMs
                      : key == "drop"       ? &config.DropAfterMs
                                            : nullptr;
        if (target && ms) {
            *target = *ms;
            return std::nullopt;
        }
    }
    return "unknown modem variant: " + std::string(variant);
}

std::optional<std::string> ParseFault(std::string_view Text, TSimFault& fault) {
    const auto parts = Split(Text, ',');
    const auto kind = kFaultKinds.find(parts.front());
    if (kind == kFaultKinds.end())
        return "unknown fault: " + std::string(parts.front());
    fault = TSimFault{};
    fault.Kind = kind->second;
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        if (part == "exact") {
            fault.Exact = true;
            continue;
        }
        const size_t eq = part.find('=');
        const std::string_view key = part.substr(0, eq);
        const std::string_view value =
            eq == std::string_view::npos ? std::string_view() : part.substr(eq + 1);
        std::optional<int> n = ParseCount(value);
        if (key == "cmd" && eq != std::string_view::npos) {
            const auto text = UnescapeArgument(value);
            if (!text)
                return "bad command text in fault: " + std::string(value);
            fault.Command = *text;
        } else if (key == "bytes" && eq != std::string_view::npos) {
            const auto bytes = UnescapeArgument(value);
            if (!bytes)
                return "bad bytes in fault: " + std::string(value);
            fault.Bytes = *bytes;
        } else if (key == "count" && value == "every") {
            fault.Count = -1;
        } else if (key == "count" && n && *n > 0) {
            fault.Count = *n;
        } else if (key == "skip" && n) {
            fault.Skip = *n;
        } else if (key == "delay" && n) {
            fault.DelayMs = *n;
        } else if (key == "size" && n) {
            fault.Size = static_cast<size_t>(*n);
        } else {
            return "bad fault option: " + std::string(part);
        }
    }
    return std::nullopt;
}

std::optional<std::string> ParseSimCommandLine(const std::vector<std::string>& args,
                                               TSimCommandLine& result) {
    result = TSimCommandLine{};
    const TSimStore store; // knows the keys --set may name
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string v;
        if (a == "--help" || a == "-h") {
            result.Help = true;
        } else if (a == "--echo") {
            result.Options.Echo = true;
        } else if (a == "--raw") {
            result.Options.Raw = true;
        } else if (a == "--commit-fails") {
            result.CommitFails = true;
        } else if (a == "--modem" || a.starts_with("--modem=")) {
            if (!result.Options.Modem)
                result.Options.Modem.emplace();
            if (a != "--modem")
                for (const std::string_view variant : Split(std::string_view(a).substr(8), ','))
                    if (auto error = ApplyModemVariant(variant, *result.Options.Modem))
                        return error;
        } else if (TakeValue(args, i, "--revision", v)) {
            const auto n = ParseCount(v);
            if (!n)
                return "bad revision: " + v;
            result.Options.Revision = *n;
        } else if (TakeValue(args, i, "--generation", v)) {
            // A revision typical of each generation.
            if (v != "0" && v != "1" && v != "2")
                return "generation must be 0, 1 or 2: " + v;
            result.Options.Revision = v == "1" ? 18 : v == "2" ? 36 : 41;
        } else if (TakeValue(args, i, "--version-text", v)) {
            const auto text = UnescapeArgument(v);
            if (!text)
                return "bad version text: " + v;
            result.VersionText = *text;
        } else if (TakeValue(args, i, "--delay", v)) {
            const auto n = ParseCount(v);
            if (!n)
                return "bad delay: " + v;
            result.Options.ReplyDelayMs = *n;
        } else if (TakeValue(args, i, "--no-carrier-idle", v)) {
            const auto n = ParseCount(v);
            if (!n)
                return "bad idle time: " + v;
            result.NoCarrierIdleMs = *n;
        } else if (TakeValue(args, i, "--link", v)) {
            if (v.empty())
                return "empty link path";
            result.LinkPath = v;
        } else if (TakeValue(args, i, "--control", v)) {
            if (v.empty())
                return "empty control path";
            result.ControlPath = v;
        } else if (TakeValue(args, i, "--fault", v)) {
            TSimFault fault;
            if (auto error = ParseFault(v, fault))
                return error;
            result.Faults.push_back(fault);
        } else if (TakeValue(args, i, "--set", v)) {
            const size_t eq = v.find('=');
            const auto value =
                eq == std::string::npos ? std::nullopt : UnescapeArgument(v.substr(eq + 1));
            if (!value || !store.Find(v.substr(0, eq)))
                return "bad --set (KEY=VALUE with a known key): " + v;
            result.Values.emplace_back(v.substr(0, eq), *value);
        } else {
            return "unknown argument: " + a;
        }
    }
    if (result.Options.Raw && result.Options.Modem)
        return "--raw leaves no modem in front of the line";
    return std::nullopt;
}

void ApplySimCommandLine(const TSimCommandLine& commandLine, TSimulator& sim) {
    TSimUnit& unit = sim.Unit();
    if (commandLine.VersionText)
        unit.SetVersionText(commandLine.VersionText);
    unit.SetCommitFails(commandLine.CommitFails);
    for (const auto& [key, value] : commandLine.Values)
        unit.SetValue(key, value);
    for (const TSimFault& fault : commandLine.Faults)
        unit.AddFault(fault);
    if (commandLine.NoCarrierIdleMs > 0)
        unit.SetNoCarrierAfterIdle(commandLine.NoCarrierIdleMs);
}

std::string SimUsage() {
    return R"(Usage: orbelin-sim [options]
Serves a simulated unit on a new pseudo-terminal; prints the port path as the
first line on stdout, logs what it receives on stderr, runs until SIGINT/SIGTERM.

  --revision N        firmware revision (default 41; generation 1 up to 18,
                      2 from 19 to 36, 0 from 37)
  --generation G      0, 1 or 2: a typical revision of that generation
  --version-text T    "+v" answers T instead of "ORBELIN REV 07.<revision>"
  --echo              echo typed characters (for a person at a terminal)
  --delay MS          reply delay for every command
  --link PATH         keep a symbolic link PATH to the port while running
  --control PATH      a control line for scripts and tests, linked at PATH:
                      one command per line, one reply line each ("ok ...",
                      "error ..."): reset [OPTIONS] (a fresh line and unit
                      with these options added), send BYTES, drop, hold on|off,
                      commands, modem-lines, received [N MS], line
  --raw               a bare wire instead of the unit: what arrives is kept
                      for the control line's "received"
  --set KEY=VALUE     a stored value by command ("+g", "+f01") or control name
  --commit-fails      refuse the commit command
  --no-carrier-idle MS  unsolicited NO CARRIER after MS without input
  --fault FAULT       KIND[,cmd=TEXT][,exact][,skip=N][,count=N|every]
                      [,delay=MS][,size=N][,bytes=TEXT]
                      KIND: no-answer error no-ok late garbage long-line
                            no-carrier drop-line
                            keep (a write answered OK, the old value kept)
                            clamp (a write answered OK, bytes=TEXT kept)
  --modem[=V,V...]    a GSM modem in front of the unit; variants:
                      echo noecho atz-error atz-silent cbst-error cbst-silent
                      at-error at-silent creg-home creg-roaming creg-nospace
                      creg-spaced creg-roaming-nospace creg-none creg-late
                      creg-silent connect-9600 connect-4800 busy no-carrier
                      no-answer dial-error dial-silent dial-echo cpin-off
                      cpin-crlf guard=MS dial-delay=MS cpin=MS drop=MS
Texts take \r \n \t \\ and \xNN escapes.
)";
}
