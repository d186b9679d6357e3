#include "device/ParamCodec.h"

#include <algorithm>

#include "params/WireValue.h"
#include "toolkit/Colors.h"
#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

namespace {

// The engineering number fields take ten digits: the national number.
constexpr std::size_t NumberDigits = 10;
// Boxes of a restore mask; the bits above them are kept.
constexpr int MaskBoxes = 5;

const char* Bool(bool On) {
    return On ? "true" : "false";
}

std::string Range(long long Min, long long Max) {
    return "поле допускает " + std::to_string(Min) + "…" + std::to_string(Max);
}

int BoxMask(int Boxes) {
    return (1 << Boxes) - 1;
}

int BoxCount(const TParamDef& Row) {
    int n = 0;
    for (const char* name : Row.Controls)
        if (name)
            ++n;
    return Row.Codec == TParamCodec::InputMasks ? MaskBoxes : n;
}

void DecodeField(const TParamDef& Row, std::string_view Value, TDecodeFor For, TDecodedValue& d) {
    const std::string text = FieldText(Row.Form, Value);
    const bool number = Row.Form.Kind == TFormKind::Hex || Row.Form.Kind == TFormKind::Decimal;
    const TValueRule& rule = Row.Rule;
    const bool field = For == TDecodeFor::Field;
    if (field && rule.Spin) {
        const auto n = StrToIntStrict(text);
        if (rule.Ranged() && (!n || *n < rule.Min || *n > rule.Max)) {
            d.Shown.emplace_back();
            d.Exact = false;
            d.Why = Range(rule.Min, rule.Max);
            return;
        }
    } else if (number && rule.Ranged()) {
        const auto n = StrToIntStrict(text);
        if (!n || *n < rule.Min || *n > rule.Max) {
            d.Exact = false;
            d.Why = Range(rule.Min, rule.Max);
        }
    } else if (field && !number && rule.Length > 0 &&
               CharacterCount(text) > static_cast<std::size_t>(rule.Length)) {
        d.Exact = false;
        d.Why = "поле вмещает " + std::to_string(rule.Length) + " символов";
    }
    d.Shown.emplace_back(text);
}

} // namespace

TParamForm ReadForm(const TParamDef& Row) {
    switch (Row.Codec) {
    case TParamCodec::Field:
        return {Row.Form.Kind, Row.Form.Digits};
    case TParamCodec::Number:
        return {TFormKind::Phone};
    case TParamCodec::Switch:
    case TParamCodec::EventCode:
    case TParamCodec::Option:
        return {TFormKind::Text};
    case TParamCodec::InputMasks:
    case TParamCodec::EventFlags:
        return {TFormKind::Hex, 4};
    case TParamCodec::TestFlag:
    case TParamCodec::Bits:
    case TParamCodec::Outputs:
    case TParamCodec::AnyOn:
    case TParamCodec::Status:
        return {TFormKind::Hex, 2};
    }
    return {TFormKind::Text};
}

namespace {

TDecodedValue Decode(const TParamDef& Row, std::string_view Value, TDecodeFor For) {
    TDecodedValue d;
    switch (Row.Codec) {
    case TParamCodec::Field:
        DecodeField(Row, Value, For, d);
        return d;
    case TParamCodec::Number: {
        const std::string text = TrimBlanks(Value);
        if (text.size() > NumberDigits || !AllDigits(text)) {
            d.Exact = false;
            d.Why = "поле допускает номер из " + std::to_string(NumberDigits) + " цифр";
        }
        d.Shown.emplace_back(text);
        return d;
    }
    case TParamCodec::Switch:
        // Exact: a lower-case "ff" is not an answer this program knows.
        if (Value != "00" && Value != "FF") {
            d.Exact = false;
            d.Why = "флажок показывает только «00» (включён) и «FF» (выключен)";
        }
        d.Shown.emplace_back(Bool(Value == "00"));
        return d;
    case TParamCodec::EventCode: {
        const auto event = EventCodeValue(Value);
        if (!event) {
            d.Problem = "не код события из " + std::to_string(EventCodeLength + 1) + " символов";
            return d;
        }
        d.Shown.emplace_back(event->Code);
        d.Shown.emplace_back(Bool(event->On));
        return d;
    }
    case TParamCodec::InputMasks: {
        const auto masks = InputMasksValue(Value);
        if (!masks) {
            d.Problem = "не маска входов и режим";
            return d;
        }
        for (int bit = 0; bit < MaskBoxes; ++bit)
            d.Shown.emplace_back(Bool(masks->Restore & (1 << bit)));
        d.KeptBits = masks->Restore & ~BoxMask(MaskBoxes);
        if (masks->Mode >= 0 && masks->Mode <= 2) {
            d.Mode = masks->Mode;
            for (int mode = 0; mode < 3; ++mode)
                d.Shown.emplace_back(Bool(masks->Mode == mode));
        } else {
            // None of the buttons is the unit's mode.
            for (int mode = 0; mode < 3; ++mode)
                d.Shown.emplace_back(Bool(false));
            d.Exact = false;
            d.Why = "режим входов " + IntToHexUpper(masks->Mode, 2) +
                    ", на странице только режимы 1–3 (00–02)";
        }
        return d;
    }
    case TParamCodec::TestFlag:
    case TParamCodec::Bits:
    case TParamCodec::Outputs:
    case TParamCodec::AnyOn: {
        const auto flags = HexReplyValue(Value);
        if (!flags) {
            d.Problem = "не шестнадцатеричное число";
            return d;
        }
        if (Row.Codec == TParamCodec::AnyOn) {
            d.Shown.emplace_back(Bool(*flags != 0));
        } else if (Row.Codec == TParamCodec::TestFlag) {
            // Bit 0 set: the test is switched off.
            d.Shown.emplace_back(Bool(!(*flags & 1)));
            if (*flags > 1) {
                d.Exact = false;
                d.Why = "флажок показывает только «00» (включён) и «01» (выключен)";
            }
        } else {
            const int boxes = BoxCount(Row);
            for (int bit = 0; bit < boxes; ++bit)
                d.Shown.emplace_back(Bool(*flags & (1 << bit)));
            if (Row.Codec == TParamCodec::Bits)
                d.KeptBits = *flags & ~BoxMask(boxes);
        }
        return d;
    }
    case TParamCodec::Status:
    case TParamCodec::EventFlags:
    case TParamCodec::Option:
        return d;
    }
    return d;
}

} // namespace

TDecodedValue DecodeParam(const TParamDef& Row, std::string_view Value, TDecodeFor For) {
    TDecodedValue d = Decode(Row, Value, For);
    // Only the mode's buttons of the input masks miss what the unit holds;
    // for every other row it is the one control, or all of them.
    d.ShownExactly.assign(d.Shown.size(), d.Exact);
    if (Row.Codec == TParamCodec::InputMasks)
        for (std::size_t i = 0; i < d.ShownExactly.size() && i < MaskBoxes; ++i)
            d.ShownExactly[i] = true;
    return d;
}

std::optional<std::string> EncodeParam(const TParamDef& Row, std::span<const TControlValue> Values,
                                       const std::optional<std::string>& UnitValue, bool NumbersOff,
                                       std::string& Problem) {
    const auto box = [&](std::size_t i) { return i < Values.size() && Values[i].Checked; };
    const auto kept = [&](int Boxes) {
        if (!UnitValue)
            return 0;
        if (Row.Codec == TParamCodec::InputMasks) {
            const auto masks = InputMasksValue(*UnitValue);
            return masks ? masks->Restore & ~BoxMask(Boxes) : 0;
        }
        const auto flags = HexReplyValue(*UnitValue);
        return flags ? *flags & ~BoxMask(Boxes) & 0xFF : 0;
    };
    switch (Row.Codec) {
    case TParamCodec::Field: {
        const std::string text = Values.empty() ? std::string() : Values.front().Text;
        if (Row.Form.Kind == TFormKind::Hex ||
            (Row.Form.Kind == TFormKind::Decimal && Row.Form.Digits > 0)) {
            const auto number = ControlNumber(TrimBlanks(text));
            if (!number) {
                Problem = "не число: " + std::string(text.empty() ? "пусто" : "«" + text + "»");
                return std::nullopt;
            }
            if (const auto problem = DigitsProblem(Row.Form, text)) {
                Problem = *problem;
                return std::nullopt;
            }
            return Row.Form.Kind == TFormKind::Hex ? IntToHexUpper(*number, Row.Form.Digits)
                                                   : IntToDecPadded(*number, Row.Form.Digits);
        }
        // The bare command letter would read the parameter instead: the
        // write would pass for done although nothing was written.
        if (text.empty()) {
            Problem = "пустое значение устройство приняло бы за чтение; в устройстве осталось "
                      "прежнее значение";
            return std::nullopt;
        }
        if (const auto problem = WireTextProblem(text)) {
            Problem = *problem;
            return std::nullopt;
        }
        return text;
    }
    case TParamCodec::Number: {
        std::string text = Values.empty() ? std::string() : TrimBlanks(Values.front().Text);
        // A blank switches the number off; an empty argument would read it.
        if (text.empty() || NumbersOff)
            text = " ";
        if (const auto problem = WireTextProblem(text)) {
            Problem = *problem;
            return std::nullopt;
        }
        return text;
    }
    case TParamCodec::Switch:
        return std::string(box(0) ? "00" : "FF");
    case TParamCodec::TestFlag:
        return std::string(box(0) ? "00" : "01");
    case TParamCodec::Bits: {
        const int boxes = BoxCount(Row);
        int flags = kept(boxes);
        for (int bit = 0; bit < boxes; ++bit)
            flags |= box(bit) ? 1 << bit : 0;
        return IntToHexUpper(flags, 2);
    }
    case TParamCodec::InputMasks: {
        int restore = kept(MaskBoxes);
        for (int bit = 0; bit < MaskBoxes; ++bit)
            restore |= box(bit) ? 1 << bit : 0;
        const char* mode = box(MaskBoxes) ? "00" : box(MaskBoxes + 1) ? "01" : "02";
        return IntToHexUpper(restore, 2) + mode;
    }
    case TParamCodec::EventCode: {
        const std::string code = Values.empty() ? std::string() : Values.front().Text;
        if (CharacterCount(code) != EventCodeLength) {
            Problem = "код события не из " + std::to_string(EventCodeLength) + " символов: «" +
                      code + "»";
            return std::nullopt;
        }
        if (const auto problem = WireTextProblem(code)) {
            Problem = *problem;
            return std::nullopt;
        }
        return code + (box(1) ? "1" : "0");
    }
    case TParamCodec::Outputs:
        return IntToHexUpper((box(0) ? 1 : 0) + (box(1) ? 2 : 0), 2);
    case TParamCodec::AnyOn:
    case TParamCodec::Status:
    case TParamCodec::EventFlags:
    case TParamCodec::Option:
        break;
    }
    Problem = "не записывается";
    return std::nullopt;
}

bool HeldAsSent(const TParamDef& Row, std::string_view Argument, std::string_view Held) {
    switch (Row.Codec) {
    case TParamCodec::Field:
        if (Row.Form.Kind == TFormKind::Hex)
            return HexReplyValue(Argument) == HexReplyValue(Held);
        if (Row.Form.Kind == TFormKind::Decimal)
            return ControlNumber(TrimBlanks(Argument)) == ControlNumber(TrimBlanks(Held));
        return TrimBlanks(Argument) == TrimBlanks(Held);
    case TParamCodec::Number:
        return TrimBlanks(Argument) == TrimBlanks(Held);
    case TParamCodec::Switch:
        return Argument == Held;
    case TParamCodec::InputMasks: {
        const auto sent = InputMasksValue(Argument);
        const auto held = InputMasksValue(Held);
        return sent && held && sent->Restore == held->Restore && sent->Mode == held->Mode;
    }
    case TParamCodec::EventCode: {
        const auto sent = EventCodeValue(Argument);
        const auto held = EventCodeValue(Held);
        return sent && held && sent->Code == held->Code && sent->On == held->On;
    }
    case TParamCodec::TestFlag:
    case TParamCodec::Bits:
    case TParamCodec::Outputs:
    case TParamCodec::AnyOn:
        return HexReplyValue(Argument) == HexReplyValue(Held);
    case TParamCodec::Status:
    case TParamCodec::EventFlags:
    case TParamCodec::Option:
        break;
    }
    return false;
}

std::optional<TLoadProblem> LoadProblem(const TParamDef& Row, std::size_t Index,
                                        std::string_view Text) {
    const auto invalid = [](std::string Why) { return TLoadProblem{std::move(Why), false}; };
    if (const auto problem = WireTextProblem(Text))
        return invalid(*problem);
    const TValueRule& rule = Row.Rule;
    if (Row.Codec == TParamCodec::Field && rule.Spin) {
        const auto n = StrToIntStrict(Text);
        if (!n || (rule.Ranged() && (*n < rule.Min || *n > rule.Max)))
            return invalid("не число от " + std::to_string(rule.Min) + " до " +
                           std::to_string(rule.Max));
        return std::nullopt;
    }
    switch (Row.Codec) {
    case TParamCodec::Field:
        if (Row.Form.Kind == TFormKind::Hex) {
            const long long most = HexFieldMax(Row.Form);
            const auto n = StrToIntStrict(Text);
            if (Text.empty() || !AllDigits(Text) || !n || *n > most)
                return invalid("не число от 0 до " + std::to_string(most));
            return std::nullopt;
        }
        if (Row.Form.Kind == TFormKind::Decimal) {
            if (const auto problem = FormProblem({TFormKind::Decimal}, Text))
                return invalid(*problem);
            if (const auto problem = DigitsProblem(Row.Form, Text))
                return invalid(*problem);
            return std::nullopt;
        }
        break;
    case TParamCodec::Number:
        if (const auto problem = FormProblem({TFormKind::Phone}, Text))
            return invalid(*problem);
        return std::nullopt;
    case TParamCodec::EventCode:
        if (Index == 0 && CharacterCount(Text) != EventCodeLength)
            return invalid("не код события из " + std::to_string(EventCodeLength) + " символов");
        return std::nullopt;
    default:
        return std::nullopt;
    }
    TParamForm form = ReadForm(Row);
    if (const auto problem = FormProblem(form, Text))
        return invalid(*problem);
    form.MaxLength = rule.Length;
    if (const auto problem = FormProblem(form, Text))
        return TLoadProblem{*problem, true};
    return std::nullopt;
}
