// TDevOrbelin: writes that are checked. A unit may answer a write with "OK"
// and keep its old value, or keep another one (clamped to its range), and a
// reply taken after its wait says nothing of what was kept. So, when the
// operator asks for it, every parameter a request wrote is read back and
// compared, by its form, with what was sent; only a unit that holds all of it
// (and refused none of it) gets the commit.

#include <utility>

#include "device/DevOrbelin.h"
#include "device/WireValue.h"
#include "pages/RefValues.h"
#include "pages/SettingsPage.h"
#include "queue/Protocol.h"
#include "toolkit/TextUtil.h"

namespace {

const char* const VerifyFailed =
    "ПРОВЕРКА ЗАПИСИ: устройство хранит не то, что было записано. Запись в EEPROM не выполнена.";

const char* const NotAllWritten =
    "ПРОВЕРКА ЗАПИСИ: не все параметры записаны. Запись в EEPROM не выполнена.";

// How many differing parameters the message names before it only counts.
constexpr std::size_t NamedDifferences = 3;

} // namespace

void TDevOrbelin::ExpectReadBack(TReadBack ReadBack) {
    if (FVerifying)
        FReadBacks.push_back(std::move(ReadBack));
}

void TDevOrbelin::ExpectValue(QObject* Control, const std::string& Command, TLabel* LampLabel,
                              TParamForm Form, const TRefValues& Table) {
    if (!FVerifying)
        return;
    const std::string name = ComponentInfoOf(Control)->Name();
    if (const auto* edit = dynamic_cast<const TEdit*>(Control))
        Form.MaxLength = edit->MaxLength();
    ExpectReadBack(
        {TReadBackKind::Value, Command, Form, {LampLabel}, {{Control, Table.Get(name)}}});
}

std::optional<std::vector<std::string>>
TDevOrbelin::HeldValues(const TReadBack& R, const std::string& Value, std::string& Problem) {
    std::vector<std::string> held;
    switch (R.Kind) {
    case TReadBackKind::Value:
        return std::vector<std::string>{FieldText(R.Form, Value)};
    case TReadBackKind::Switch:
        if (Value != "00" && Value != "FF") {
            Problem = "не «00» и не «FF»";
            return std::nullopt;
        }
        return std::vector<std::string>{QueueWord::Bool(Value == "00")};
    case TReadBackKind::EventCode: {
        const auto event = EventCodeValue(Value);
        if (!event) {
            Problem = "не код события из " + std::to_string(EventCodeLength + 1) + " символов";
            return std::nullopt;
        }
        return std::vector<std::string>{event->Code, QueueWord::Bool(event->On)};
    }
    case TReadBackKind::RestoreMask: {
        const auto masks = InputMasksValue(Value);
        if (!masks || masks->Mode < 0 || masks->Mode > 2) {
            Problem = "не маска входов и режим";
            return std::nullopt;
        }
        for (int bit = 0; bit < 5; ++bit)
            held.push_back(QueueWord::Bool(masks->Restore & (1 << bit)));
        for (int mode = 0; mode < 3; ++mode)
            held.push_back(QueueWord::Bool(masks->Mode == mode));
        return held;
    }
    case TReadBackKind::TestFlag:
    case TReadBackKind::GpsFlags:
    case TReadBackKind::TriggerMask:
        break;
    }
    const auto flags = HexReplyValue(Value);
    if (!flags) {
        Problem = "не шестнадцатеричное число";
        return std::nullopt;
    }
    if (R.Kind == TReadBackKind::TestFlag)
        return std::vector<std::string>{QueueWord::Bool(!(*flags & 1))};
    if (R.Kind == TReadBackKind::GpsFlags)
        return std::vector<std::string>{QueueWord::Bool(*flags & 1), QueueWord::Bool(*flags & 2)};
    for (int bit = 0; bit < 5; ++bit)
        held.push_back(QueueWord::Bool(*flags & (1 << bit)));
    return held;
}

bool TDevOrbelin::CheckWrites() {
    if (!FVerifying || Stopping() || (FReadBacks.empty() && !FWriteFailed))
        return true;
    std::vector<std::string> differing;
    if (!FReadBacks.empty()) {
        PostLine("Проверяем записанное: " + std::to_string(FReadBacks.size()), true, true);
        BeginWalk("Проверка", static_cast<int>(FReadBacks.size()));
    }
    for (const TReadBack& r : FReadBacks) {
        if (Stopping())
            return true;
        const std::string who =
            ParamName(r.Lamps.front(), ComponentInfoOf(r.Sent.front().first)->Name());
        for (TLabel* lamp : r.Lamps)
            Lamp(lamp, clWindowText);
        std::string reply;
        const TExchangeResult result = Transact(r.Command, reply);
        const int digits = r.Kind == TReadBackKind::RestoreMask ? 4 : 2;
        const TParamForm form = r.Kind == TReadBackKind::Value ? r.Form
                                : r.Kind == TReadBackKind::EventCode
                                    ? TParamForm{TFormKind::Text}
                                    : TParamForm{TFormKind::Hex, digits};
        std::optional<std::vector<std::string>> held;
        if (const auto value = TakeValue(result, reply, form, who)) {
            std::string problem;
            held = HeldValues(r, *value, problem);
            if (!held)
                RejectValue(who, *value, problem);
        }
        bool same = held.has_value();
        if (!held) {
            PostLine(" # !!! " + who + ": записанное не удалось прочитать для проверки", true,
                     true);
        } else {
            for (std::size_t i = 0; i < r.Sent.size() && i < held->size(); ++i) {
                const auto& [control, sent] = r.Sent[i];
                const std::string& now = (*held)[i];
                const bool equal =
                    r.Kind == TReadBackKind::Value ? SameValue(r.Form, sent, now) : sent == now;
                if (equal)
                    continue;
                same = false;
                // The field shows what the unit holds; its reference is still
                // what was sent, so the field is marked as changed.
                Post(control, now);
                PostLine(" # !!! " + ParamName(r.Lamps.front(), ComponentInfoOf(control)->Name()) +
                             ": отправлено " + QuotedValue(sent) + ", устройство хранит " +
                             QuotedValue(now),
                         true, true);
            }
        }
        for (TLabel* lamp : r.Lamps)
            Lamp(lamp, same ? clBlue : clRed);
        if (!same) {
            NoteFailure(r.Lamps.front(), held ? "не совпало" : "не прочитано");
            std::string caption = ShortCaption(r.Lamps.front()->Caption());
            differing.push_back(caption.empty() ? r.Lamps.front()->Name() : caption);
        }
    }
    if (!FReadBacks.empty())
        EndWalk();
    // A parameter the unit refused holds its old value, not what was sent:
    // the rest is not committed either. The write's own warning has named it.
    if (FWriteFailed) {
        FWriteFailed = false;
        if (differing.empty()) {
            FOut.PostMsg(NotAllWritten);
            return false;
        }
    }
    if (differing.empty()) {
        PostLine("Записанное совпало", true, true);
        return true;
    }
    std::string text =
        std::string(VerifyFailed) + "\nОтличаются: " + std::to_string(differing.size()) + " — ";
    for (std::size_t i = 0; i < differing.size() && i < NamedDifferences; ++i)
        text += (i == 0 ? "" : ", ") + differing[i];
    if (differing.size() > NamedDifferences)
        text += " и ещё " + std::to_string(differing.size() - NamedDifferences);
    FOut.PostMsg(text);
    return false;
}
