#include "batch/BatchOptions.h"

#include <charconv>

#include "toolkit/TextUtil.h"

std::string BatchUsage() {
    return R"(Usage: orbelin-batch COMMAND [options]
Sets up units without the window: the same device, page and settings code,
the same parameter set files ("Сохранить" in the window saves one).

Commands:
  read  --port P --out unit.ini    read every parameter into a set file
  diff  --port P --in set.ini      print each parameter where the unit and
                                   the set differ (exit 0 equal, 1 different)
  write --port P --in set.ini      write the set, read every parameter back,
        [--set NAME=VALUE]...      commit only when all hold what was sent
  write --in set.ini --units units.csv
                                   the same for many units in parallel
  columns                          list the columns a units.csv may have:
                                   name, page, caption, form, default
  journal [--unit OBJNUM] [--since DATE] [--csv FILE]
                                   print the journal of units written (by
                                   this program and the window), or write
                                   it as CSV; DATE: 2026-03-01 or 01.03.2026

Options:
  --port P           the serial port of the unit (or of its modem)
  --phone NUMBER     reach the unit by a GSM data call through the modem on P
  --no-reg-wait      dial without waiting for the modem's network registration
  --set NAME=VALUE   a value by control name (etObjNum=0123), over the set's
                     (with --units for every unit, the list's values over it)
  --units FILE       CSV, one row per unit: a "port" column, optionally
                     "phone", and columns named by control names (or by the
                     captions the window shows; see columns) holding the
                     per-unit values (an empty cell keeps the set's value);
                     comma or semicolon separated, UTF-8 or Windows-1251
  --jobs N           units at once (default 16)
  --report FILE      a JSON report of every unit
  --log-dir DIR      one log file per unit (the lines of log.txt)
  --limit SECONDS    the most one unit may take (default 600)
  --home DIR         the folder that holds current.ini and the journal, as
                     the window's --home (also ORBELIN_HOME)
  --help             this text

Exit codes: 0 every unit verified (read done, no difference); 1 some parameter
failed or differs; 2 bad usage or a bad file (nothing was sent to any unit);
3 some unit could not be connected; 4 the run was stopped (Ctrl+C, SIGTERM,
SIGHUP): each unit not done is "interrupted", with what it holds of what it
was sent ("nothing written", "written, not committed").

Examples:
  orbelin-batch read --port /dev/ttyUSB0 --out unit.ini
  orbelin-batch diff --port /dev/ttyUSB0 --in fleet.ini
  orbelin-batch write --port /dev/ttyUSB0 --in fleet.ini --set etObjNum=0123
  orbelin-batch write --port /dev/ttyUSB0 --phone +79001234567 --in fleet.ini
  orbelin-batch write --in fleet.ini --units units.csv --report report.json \
                --log-dir logs
  orbelin-batch journal --unit 0123 --since 2026-03-01
)";
}

namespace {

std::optional<int> PositiveNumber(const std::string& Text) {
    int value = 0;
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value);
    if (error != std::errc() || end != Text.data() + Text.size() || value <= 0)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::string> ParseBatchOptions(const std::vector<std::string>& Args,
                                             TBatchOptions& o) {
    if (Args.empty())
        return "no command given";
    o.Command = Args[0];
    if (o.Command == "columns")
        return Args.size() == 1 ? std::nullopt
                                : std::optional<std::string>("columns takes no options");
    if (o.Command != "read" && o.Command != "diff" && o.Command != "write")
        return "unknown command \"" + o.Command + "\"";
    for (std::size_t i = 1; i < Args.size(); ++i) {
        const std::string& a = Args[i];
        const auto value = [&](std::string& Into) -> std::optional<std::string> {
            if (i + 1 >= Args.size())
                return a + " needs a value";
            Into = Args[++i];
            if (Into.empty())
                return a + " needs a value";
            return std::nullopt;
        };
        std::optional<std::string> error;
        if (a == "--port")
            error = value(o.Port);
        else if (a == "--phone")
            error = value(o.Phone);
        else if (a == "--in")
            error = value(o.In);
        else if (a == "--out")
            error = value(o.Out);
        else if (a == "--units")
            error = value(o.Units);
        else if (a == "--report")
            error = value(o.Report);
        else if (a == "--log-dir")
            error = value(o.LogDir);
        else if (a == "--home")
            error = value(o.Home);
        else if (a == "--no-reg-wait")
            o.WaitRegistration = false;
        else if (a == "--child")
            o.Child = true;
        else if (a == "--log-file")
            error = value(o.LogFile);
        else if (a == "--set") {
            std::string pair;
            error = value(pair);
            const std::size_t eq = pair.find('=');
            if (!error && (eq == std::string::npos || eq == 0))
                error = "--set takes NAME=VALUE, not \"" + pair + "\"";
            if (!error)
                o.Sets.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
        } else if (a == "--jobs" || a == "--limit") {
            std::string text;
            error = value(text);
            const auto number = PositiveNumber(text);
            if (!error && !number)
                error = a + " takes a positive number, not \"" + text + "\"";
            if (!error)
                (a == "--jobs" ? o.Jobs : o.LimitSeconds) = *number;
        } else {
            error = "unknown option \"" + a + "\"";
        }
        if (error)
            return error;
    }
    if (o.Units.empty() && o.Port.empty())
        return o.Command + " needs --port";
    if (!o.Units.empty() && !o.Port.empty())
        return "--units and --port exclude each other: the list gives the ports";
    if (!o.Units.empty() && o.Command != "write")
        return "--units goes with write";
    if (!o.Units.empty() && !o.Phone.empty())
        return "--units and --phone exclude each other: the list's \"phone\" column gives them";
    if (o.Command == "read" && o.Out.empty())
        return "read needs --out";
    if (o.Command != "read" && o.In.empty())
        return o.Command + " needs --in";
    if (o.Command == "read" && !o.In.empty())
        return "read takes --out, not --in";
    if (o.Command != "write" && !o.Sets.empty())
        return "--set goes with write";
    return std::nullopt;
}

std::string LogName(const std::string& Port) {
    std::string name;
    for (char c : Port)
        name += (c == '/' || c == '\\' || c == ':' || c == ' ') ? '_' : c;
    while (!name.empty() && name.front() == '_')
        name.erase(name.begin());
    if (name.empty())
        return "unit.log";
    // Windows takes these for devices whatever their extension.
    const std::string stem = ToUpperAscii(name.substr(0, name.find('.')));
    const bool numbered = stem.size() == 4 &&
                          (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '0' &&
                          stem[3] <= '9';
    if (numbered || stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
        name += "-unit";
    return name + ".log";
}
