// TDevOrbelin: writes that are checked. A unit may answer a write with "OK"
// and keep its old value, or keep another one (clamped to its range), and a
// reply taken after its wait says nothing of what was kept. So, when the
// operator asks for it, every parameter a request wrote is read back and
// compared, by its form, with what was sent; only a unit that holds all of it
// (and refused none of it) gets the commit.

#include <utility>

#include "device/DevOrbelin.h"
#include "device/ParamCodec.h"
#include "pages/RefValues.h"
#include "pages/SettingsPage.h"
#include "toolkit/TextUtil.h"

namespace {

const char* const VerifyFailed =
    "ПРОВЕРКА ЗАПИСИ: устройство хранит не то, что было записано. Запись в EEPROM не выполнена.";

// How many differing parameters the message names before it only counts.
constexpr std::size_t NamedDifferences = 3;

} // namespace

void TDevOrbelin::ExpectReadBack(const TRowOnPage& Where, const std::string& Argument) {
    if (FVerifying)
        FReadBacks.push_back({Where, Argument});
}

bool TDevOrbelin::CheckWrites() {
    if (!FVerifying || Stopping() || (FReadBacks.empty() && !FWriteFailed))
        return true;
    std::vector<std::string> differing;
    if (!FReadBacks.empty()) {
        PostLine("Проверяем записанное: " + std::to_string(FReadBacks.size()), true, true);
        BeginWalk(TWalkPhase::Verify, static_cast<int>(FReadBacks.size()));
    }
    for (const TReadBack& back : FReadBacks) {
        if (Stopping())
            return true;
        const TRowOnPage& r = back.Where;
        const TParamDef& row = *r.Row;
        TRefValues& table = r.Page->FRefValues;
        const std::string who = r.Who();
        Lamps(r, clWindowText);
        std::string reply;
        const TExchangeResult result = Transact(row.Read, reply, r.Who());
        const auto value = TakeValue(result, reply, ReadForm(row), who);
        std::optional<TDecodedValue> held;
        if (value) {
            held = DecodeParam(row, *value, TDecodeFor::ReadBack);
            if (!held->Ok()) {
                RejectValue(who, *value, held->Problem);
                held.reset();
            }
        }
        const bool same = held && HeldAsSent(row, back.Argument, *value);
        if (!held && Stopping()) {
            // The stop cut the check off: nothing was found to differ, and
            // the parameter stays as written.
            NoteOutcome(r, TParamOutcome::Written, "проверка прервана");
            return true;
        }
        if (same) {
            NoteOutcome(r, TParamOutcome::Verified);
            Lamps(r, clBlue);
            continue;
        }
        if (!held) {
            PostLine(" # !!! " + who + ": записанное не удалось прочитать для проверки", true,
                     true);
        } else {
            // The field shows what the unit holds; its reference is still
            // what was sent, so the field is marked as changed.
            for (std::size_t i = 0; i < r.Controls.size() && i < held->Shown.size(); ++i) {
                QObject* control = r.Controls[i];
                const auto& now = held->Shown[i];
                if (!control || !now)
                    continue;
                const std::string name = ComponentInfoOf(control)->Name();
                table.Update(name, [&](TParamRecord& rec) {
                    rec.Source = TValueSource::Unit;
                    rec.Unit = *value;
                    rec.Shown = *now;
                    rec.Exact = held->Exact;
                });
                const auto shown = ShownValue(control);
                if (shown && *shown != *now)
                    Post(control, *now);
            }
            // Each field that differs by what it shows; bits no field shows
            // by the whole value.
            const TDecodedValue sent = DecodeParam(row, back.Argument, TDecodeFor::ReadBack);
            bool named = false;
            for (std::size_t i = 0;
                 i < r.Controls.size() && i < held->Shown.size() && i < sent.Shown.size(); ++i) {
                if (!r.Controls[i] || sent.Shown[i] == held->Shown[i])
                    continue;
                named = true;
                PostLine(" # !!! " +
                             ParamName(*r.Page, row, ComponentInfoOf(r.Controls[i])->Name()) +
                             ": отправлено " + QuotedValue(sent.Shown[i].value_or("")) +
                             ", устройство хранит " + QuotedValue(held->Shown[i].value_or("")),
                         true, true);
            }
            if (!named)
                PostLine(" # !!! " + who + ": отправлено " + QuotedValue(back.Argument) +
                             ", устройство хранит " + QuotedValue(*value),
                         true, true);
        }
        Failed(r, TParamOutcome::Differs,
               held ? HeldNote(row, *value) : std::string("не прочитано для проверки"),
               held ? "не совпало" : "не прочитано");
        differing.push_back(who);
    }
    if (!FReadBacks.empty())
        EndWalk();
    // A parameter the unit refused or that was not sent holds its old value,
    // not what the set gives: the rest is not committed either. The write's
    // own warning has named it and said so.
    if (FWriteFailed) {
        FWriteFailed = false;
        if (differing.empty())
            return false;
    }
    if (differing.empty()) {
        PostLine("Записанное совпало", true, true);
        return true;
    }
    std::string text =
        std::string(VerifyFailed) + "\nОтличаются: " + std::to_string(differing.size()) + " — ";
    for (std::size_t i = 0; i < differing.size() && i < NamedDifferences; ++i)
        text += (i == 0 ? "" : "; ") + differing[i];
    if (differing.size() > NamedDifferences)
        text += " и ещё " + std::to_string(differing.size() - NamedDifferences);
    Tell(text);
    return false;
}
