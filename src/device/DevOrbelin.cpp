// TDevOrbelin: the requests of the link thread and the standard exchange.

#include "device/DevOrbelin.h"

#include "queue/Protocol.h"
#include "toolkit/TextUtil.h"

TDevOrbelin::TDevOrbelin(TOutArray& Out) : FOut(Out) {}

void TDevOrbelin::ShowOnSplash(const std::string& Text) {
    Post({.Kind = TUnitEvent::TKind::LinkProgress, .Text = Text});
}

void TDevOrbelin::ShowFailure(TLinkFailure Failure, const std::string& Text) {
    Post({.Kind = TUnitEvent::TKind::LinkFailed, .Text = Text, .Failure = Failure});
}

TDevOrbelin::TExchangeResult TDevOrbelin::Exchange(const std::string& Command, std::string& Reply) {
    // A unit that stopped answering is not kept waiting for: what is left
    // of the request fails at once.
    if (FUnitSilent)
        return TExchangeResult::NoAnswer;
    if (FModem->SendCommand(Command, Reply, false, false, "OK\r\n", 4500, 1))
        return TExchangeResult::NoAnswer;
    int code = 0;
    if (!FModem->CheckReply(false, Reply, code, ckLink))
        return TExchangeResult::Refused;
    // A reply the wait gave up on is taken for its value; without one, it is
    // noise (NUL bytes, an endless line) and says nothing about the command.
    if (FindNoCaseAscii(Reply, "OK\r\n") == std::string::npos && !HasReplyValue(Reply))
        return TExchangeResult::Malformed;
    return TExchangeResult::Answered;
}

bool TDevOrbelin::Stopping() const {
    return FModem->IsTerminated();
}

void TDevOrbelin::PostLine(const std::string& Text, bool Show, bool Stamp) {
    FModem->PostLine(Text, Show, Stamp);
}

std::string TDevOrbelin::SendAsTyped(const std::string& Command) {
    // Neither the outcome nor "ERROR" matters here: the operator reads the
    // answer as it is. A lost line still ends the connection, as it does
    // whatever reply it shows up in.
    std::string reply;
    FModem->SendCommand(Command, reply, false, false, "OK\r\n", 4500, 1);
    int code = 0;
    FModem->CheckReply(false, reply, code, ckLink);
    return reply;
}

void TDevOrbelin::ReportLineLoss() {
    // The splash reports what goes wrong during the handshake; the operator's
    // own disconnect needs no word.
    if (!FEstablished || FLossShown || !FModem->IsTerminated() || FModem->LineLost().empty())
        return;
    FLossShown = true;
    FOut.PostMsg(FModem->LineLost());
}

void TDevOrbelin::Dispatch(std::uint8_t Code) {
    FRequest = Code;
    if (Code == rqIdle) {
        KeepAlive();
        ReportLineLoss();
        return;
    }
    BeginOperation();
    switch (Code) {
    case rqConnect:
        Connect();
        return;
    case rqReadPage:
    case rqReadParam:
        ReadPage();
        if (FUnitSilent)
            FOut.PostMsg(WithFailures(""));
        break;
    case rqWritePage:
    case rqWriteParam: {
        bool silent = false;
        WriteThenTell([this, &silent] {
            WritePage();
            silent = FUnitSilent;
            if (WriteGoesThrough()) {
                Commit();
                if (const std::string done = PageWriteDone();
                    !done.empty() && FCommitState == csCommitted)
                    Tell(done);
            }
            HandOverWrite();
        });
        // A unit that fell silent while the write was read back has not
        // been told about yet.
        if (FUnitSilent && !silent)
            FOut.PostMsg(WithFailures(""));
        break;
    }
    case rqReadAll:
        ReadAll();
        break;
    case rqWriteAll: {
        bool silent = false;
        WriteThenTell([this, &silent] {
            WriteAll();
            silent = FUnitSilent;
            const bool commit = WriteGoesThrough();
            if (commit)
                Commit();
            HandOverWrite();
            if (commit && FCommitState == csCommitted)
                Tell(WriteAllDone());
        });
        if (FUnitSilent && !silent)
            FOut.PostMsg(WithFailures(""));
        break;
    }
    case rqSetOutputs:
        SetOutputs();
        Commit();
        break;
    case rqGPSRestart:
        RestartGPS();
        break;
    case rqResetFlags:
        ResetFlags();
        break;
    case rqDebugRead:
        DebugRead();
        break;
    case rqDebugWrite:
        DebugWrite();
        break;
    case rqReadRecordAt:
        ReadRecordAt();
        break;
    case rqReadNextRecord:
        ReadNextRecord();
        break;
    case rqReadBlock:
        ReadBlock();
        break;
    case rqWriteRecord:
        WriteRecord();
        break;
    case rqReadPointer:
    case rqReadAddPointer:
    case rqWritePointer:
    case rqWriteAddPointer:
        RunPointerRequest(Code);
        break;
    case rqErase:
        // The unit has no erase command this program knows of.
        break;
    default:
        // Not a request: it stays pending until the operator asks for
        // something else. Wait for that instead of coming straight back.
        FModem->IdleWait(IdleWaitMs, false);
        return;
    }
    // The next request tries the unit again.
    FUnitSilent = false;
    FSilentReplies = 0;
    FModem->SetMode(rqIdle);
    ReportLineLoss();
    Post({.Kind = TUnitEvent::TKind::RequestDone});
}
