// Feeds arbitrary bytes to ExtractReplyValue as a unit's reply and checks
// that the value is exactly what lies between the reply's first ">" and the
// CR LF that follows it; then judges that value by every parameter form and
// checks that nothing a form lets through could show a made-up number or a
// control character in a field, and that a memo line shows it safely. Each
// parameter of the table then decodes it into its controls: what they show
// exactly, written back, is what the unit held.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "device/ParamCodec.h"
#include "device/ReplyValue.h"
#include "params/ParamForm.h"
#include "params/ParamTable.h"
#include "params/WireValue.h"
#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}

void CheckForms(const std::string& Value) {
    const TParamForm forms[] = {
        {TFormKind::Text}, {TFormKind::Text, 0, 4}, {TFormKind::Decimal, 4}, {TFormKind::Phone},
        {TFormKind::IPv4}, {TFormKind::Hex, 2},     {TFormKind::Hex, 4},
    };
    for (const TParamForm& form : forms) {
        if (FormProblem(form, Value))
            continue;
        const std::string shown = FieldText(form, Value);
        Check(!WireTextProblem(shown));
        if (form.Kind == TFormKind::Hex) {
            Check(!Value.empty() && Value.size() <= static_cast<std::size_t>(form.Digits));
            Check(HexReplyValue(Value).has_value() && !shown.empty());
        }
        if (form.Kind == TFormKind::Decimal)
            Check(ControlNumber(shown).has_value());
        if (form.MaxLength > 0)
            Check(CharacterCount(shown) <= static_cast<std::size_t>(form.MaxLength));
    }
    const std::string quoted = QuotedValue(Value, 16);
    for (char c : quoted)
        Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
}

// Never a value the unit did not hold: a row whose controls show the value
// exactly writes it back as it came (numbers by value, texts trimmed).
void CheckRows(const std::string& Value) {
    for (const TParamDef& row : ParamTable()) {
        const std::size_t controls = row.ControlNames().size();
        if (FormProblem(ReadForm(row), Value) || controls == 0)
            continue;
        const TDecodedValue d = DecodeParam(row, Value);
        if (!d.Ok())
            continue;
        if (row.Codec == TParamCodec::Status || row.Codec == TParamCodec::EventFlags ||
            row.Codec == TParamCodec::Option)
            continue;
        Check(d.Shown.size() == controls && d.ShownExactly.size() == controls);
        if (!d.Exact)
            continue;
        std::vector<TControlValue> values;
        for (const auto& shown : d.Shown) {
            Check(shown.has_value());
            values.push_back({.Text = *shown, .Checked = *shown == "true"});
        }
        std::string problem;
        const auto argument = EncodeParam(row, values, Value, false, problem);
        if (argument && row.Codec != TParamCodec::AnyOn && row.Codec != TParamCodec::Outputs)
            Check(HeldAsSent(row, *argument, Value));
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view reply(reinterpret_cast<const char*>(Data), Size);
    const std::string value = ExtractReplyValue(reply);
    const std::size_t mark = reply.find('>');
    Check(HasReplyValue(reply) ==
          (mark != std::string_view::npos && reply.find("\r\n", mark) != std::string_view::npos));
    if (mark == std::string_view::npos) {
        Check(value.empty());
        return 0;
    }
    const std::string_view rest = reply.substr(mark + 1);
    const bool closed = rest.find("\r\n") != std::string_view::npos;
    Check(closed || value.empty());
    if (closed) {
        Check(rest.starts_with(value));
        Check(rest.substr(value.size()).starts_with("\r\n"));
        Check(value.find("\r\n") == std::string::npos);
    }
    // What the link hands the device: the reply decoded from Windows-1251.
    CheckForms(Cp1251ToUtf8(value));
    CheckRows(Cp1251ToUtf8(value));
    return 0;
}
