// TDevOrbelin: the requests of the link thread and the standard exchange.

#include "DevOrbelin.h"

TDevOrbelin::TDevOrbelin(TOutArray& Out, const TUiTargets& Targets)
    : FOut(Out), FTargets(Targets) {}

void TDevOrbelin::ShowOnSplash(const std::string& Text) {
    FOut.PostControlText(FTargets.SplashPanel2, Text);
}

TDevOrbelin::TExchangeResult TDevOrbelin::Exchange(const std::string& Command, std::string& Reply) {
    if (FModem->SendCommand(Command, Reply, false, false, "OK\r\n", 4500, 1))
        return TExchangeResult::NoAnswer;
    int code = 0;
    return FModem->CheckReply(false, Reply, code, ckLink) ? TExchangeResult::Answered
                                                          : TExchangeResult::Refused;
}

void TDevOrbelin::Dispatch(std::uint8_t Code) {
    switch (Code) {
    case rqIdle:
        KeepAlive();
        return;
    case rqConnect:
        Connect();
        return;
    // The writes end with the commit; what they write comes with the pages.
    case rqWritePage:
    case rqWriteAll:
    case rqSetOutputs:
    case rqWriteParam:
        Commit();
        FModem->SetMode(rqIdle);
        return;
    // Reads, records, console and I/O requests come with the pages; until
    // then they are taken and answered with nothing.
    case rqReadPage:
    case rqReadAll:
    case rqReadRecordAt:
    case rqReadBlock:
    case rqReadNextRecord:
    case rqReadPointer:
    case rqReadAddPointer:
    case rqWritePointer:
    case rqWriteAddPointer:
    case rqErase:
    case rqDebugRead:
    case rqDebugWrite:
    case rqWriteRecord:
    case rqGPSRestart:
    case rqReadParam:
    case rqResetFlags:
        FModem->SetMode(rqIdle);
        return;
    default:
        // Not a request: it stays pending until the operator asks for
        // something else. Wait for that instead of coming straight back.
        FModem->IdleWait(IdleWaitMs, false);
        return;
    }
}
