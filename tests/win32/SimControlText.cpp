#include "SimControlText.h"

#include <map>
#include <stdexcept>

#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

std::string EscapeForControl(const std::string& Bytes) {
    std::string text;
    for (const char c : Bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u > 0x20 && u < 0x7F && c != '\\' && c != ',')
            text += c;
        else
            text += "\\x" + IntToHexUpper(u, 2);
    }
    return text;
}

std::string FaultText(const TSimFault& Fault) {
    static const std::map<TSimFaultKind, const char*> kinds{
        {TSimFaultKind::NoAnswer, "no-answer"},
        {TSimFaultKind::Error, "error"},
        {TSimFaultKind::NoOk, "no-ok"},
        {TSimFaultKind::Late, "late"},
        {TSimFaultKind::Garbage, "garbage"},
        {TSimFaultKind::LongLine, "long-line"},
        {TSimFaultKind::NoCarrier, "no-carrier"},
        {TSimFaultKind::DropLine, "drop-line"},
        {TSimFaultKind::Keep, "keep"},
        {TSimFaultKind::Clamp, "clamp"}};
    const TSimFault plain;
    std::string text = kinds.at(Fault.Kind);
    if (!Fault.Command.empty())
        text += ",cmd=" + EscapeForControl(Fault.Command);
    if (Fault.Exact)
        text += ",exact";
    if (Fault.Skip != plain.Skip)
        text += ",skip=" + std::to_string(Fault.Skip);
    if (Fault.Count < 0)
        text += ",count=every";
    else if (Fault.Count != plain.Count)
        text += ",count=" + std::to_string(Fault.Count);
    if (Fault.DelayMs != plain.DelayMs)
        text += ",delay=" + std::to_string(Fault.DelayMs);
    if (Fault.Size != plain.Size)
        text += ",size=" + std::to_string(Fault.Size);
    if (Fault.Bytes != plain.Bytes)
        text += ",bytes=" + EscapeForControl(Fault.Bytes);
    return text;
}

std::string ModemOption(const TSimModemConfig& Modem) {
    const TSimModemConfig plain;
    if (Modem.Echo != plain.Echo || Modem.Atz != plain.Atz || Modem.Cbst != plain.Cbst ||
        Modem.At != plain.At || Modem.Creg != plain.Creg || Modem.Dial != plain.Dial ||
        Modem.CpinText != plain.CpinText || Modem.CpinDelayMs < 0)
        throw std::invalid_argument(
            "only the modem's timings reach a simulator in another process; give the rest as "
            "its --modem variants");
    std::string variants;
    const auto timing = [&](const char* Key, int Value, int Default) {
        if (Value != Default)
            variants +=
                std::string(variants.empty() ? "=" : ",") + Key + "=" + std::to_string(Value);
    };
    timing("guard", Modem.GuardMs, plain.GuardMs);
    timing("cpin", Modem.CpinDelayMs, plain.CpinDelayMs);
    timing("dial-delay", Modem.DialDelayMs, plain.DialDelayMs);
    timing("drop", Modem.DropAfterMs, plain.DropAfterMs);
    return "--modem" + variants;
}

TSimModemConfig ModemTimings(const std::string& Variants) {
    TSimModemConfig modem;
    std::size_t start = 0;
    while (start < Variants.size()) {
        std::size_t end = Variants.find(',', start);
        if (end == std::string::npos)
            end = Variants.size();
        const std::string variant = Variants.substr(start, end - start);
        const std::size_t eq = variant.find('=');
        const std::string key = variant.substr(0, eq);
        int* field = key == "guard"        ? &modem.GuardMs
                     : key == "cpin"       ? &modem.CpinDelayMs
                     : key == "dial-delay" ? &modem.DialDelayMs
                     : key == "drop"       ? &modem.DropAfterMs
                                           : nullptr;
        if (!field || eq == std::string::npos)
            throw std::invalid_argument("not a modem timing: " + variant);
        *field = std::stoi(variant.substr(eq + 1));
        start = end + 1;
    }
    return modem;
}

std::string BytesFromReadable(const std::string& Text) {
    std::string bytes, run; // run: UTF-8 text not yet turned into Windows-1251
    const auto flush = [&] {
        bytes += Utf8ToCp1251(run).Bytes;
        run.clear();
    };
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != '\\' || i + 1 == Text.size()) {
            run += Text[i];
            continue;
        }
        flush();
        const char e = Text[++i];
        if (e == 'x' && i + 2 < Text.size() && HexDigitValue(Text[i + 1]) >= 0 &&
            HexDigitValue(Text[i + 2]) >= 0) {
            bytes +=
                static_cast<char>(HexDigitValue(Text[i + 1]) * 16 + HexDigitValue(Text[i + 2]));
            i += 2;
        } else {
            bytes += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
    }
    flush();
    return bytes;
}
