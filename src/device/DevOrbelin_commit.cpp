// TDevOrbelin: the commit that ends every write, told as its state (what the
// main window's "EEPROM" indicator shows); then the write's summary for
// whoever keeps account of the units written.

#include "device/DevOrbelin.h"
#include "pages/f_common.h"
#include "toolkit/TextUtil.h"

namespace {
const char* const CommitFailed =
    "ОШИБКА! Устройство не подтвердило сохранение параметров в EEPROM!";
} // namespace

void TDevOrbelin::Commit() {
    FCommitState = csNone;
    Post({.Kind = TUnitEvent::TKind::Commit, .Commit = FCommitState});
    // Firmware from revision 49 on takes only the long form.
    const std::string command = FRevision.load() <= 48 ? "+J" : "+JWRITE";
    std::string reply;
    FCommitSent.store(!Stopping());
    if (Exchange(command, reply) != TExchangeResult::Answered) {
        FCommitState = csFailed;
        // A lost line says so by itself; a unit that would not commit is
        // told here, or the operator takes the write for kept.
        if (!Stopping())
            Tell(CommitFailed);
    } else if (FWriteFailed) {
        FCommitState = csPartial;
        FWriteFailed = false;
        FCommitted.store(true);
    } else {
        FCommitState = csCommitted;
        FCommitted.store(true);
    }
    Post({.Kind = TUnitEvent::TKind::Commit, .Commit = FCommitState});
}

std::string TDevOrbelin::ObjectNumberHeld() const {
    if (FCommitted.load() || !FPages.formCommon)
        return KnownObjectNumber(FPages);
    // Sent and taken but not committed: the unit's number is the one it had.
    // A number read back different, or not sent at all, is what it holds.
    const TParamOutcome outcome =
        FPages.formCommon->FRefValues.Record(FPages.formCommon->etObjNum->Name()).Outcome;
    return outcome == TParamOutcome::Written || outcome == TParamOutcome::Verified
               ? FObjNumBefore
               : KnownObjectNumber(FPages);
}

void TDevOrbelin::HandOverWrite() {
    // A write that never reached the unit changed nothing worth an account.
    if (!FWriteEnded || FWriteRows.empty() || FWritesSent.load() == 0)
        return;
    TWriteSummary s;
    s.Request = FRequest;
    s.Ended = std::chrono::system_clock::now();
    s.Port = FModem->PortName();
    s.Phone = FModem->Phone();
    s.Version = TrimBlanks(Version());
    s.Revision = FRevision.load();
    s.Generation = FGeneration.load();
    s.ObjNum = ObjectNumberHeld();
    s.CommitSent = FCommitSent.load();
    s.Committed = FCommitted.load();
    s.LinkLost = Stopping();
    s.Verified = FVerifying;
    for (const auto& [page, row] : FWriteRows)
        s.Params.push_back(ParamResultOf(*page, *row));
    FWriteEnded(std::move(s));
}

void TDevOrbelin::WriteThenTell(const std::function<void()>& Write) {
    FHoldMessages = true;
    const auto tell = [this] {
        FHoldMessages = false;
        for (const std::string& text : FHeldMessages)
            FOut.PostMsg(text);
        FHeldMessages.clear();
    };
    try {
        Write();
    } catch (...) {
        tell();
        throw;
    }
    tell();
}

void TDevOrbelin::Tell(const std::string& Text) {
    if (FHoldMessages)
        FHeldMessages.push_back(Text);
    else
        FOut.PostMsg(Text);
}
