// TDevOrbelin: the commit that ends every write and feeds the main window's
// "EEPROM" indicator (0 nothing committed yet, 1 committed, 2 failed,
// 3 committed but some parameter was not written).

#include "device/DevOrbelin.h"

namespace {
const char* const CommitFailed =
    "ОШИБКА! Устройство не подтвердило сохранение параметров в EEPROM!";
} // namespace

void TDevOrbelin::Commit() {
    FTargets.WriteState.store(0);
    FOut.PostRepaint(FTargets.Form1);
    // Firmware from revision 49 on takes only the long form.
    const std::string command = FRevision.load() <= 48 ? "+J" : "+JWRITE";
    std::string reply;
    if (Exchange(command, reply) != TExchangeResult::Answered) {
        FTargets.WriteState.store(2);
        // A lost line says so by itself; a unit that would not commit is
        // told here, or the operator takes the write for kept.
        if (!Stopping())
            FOut.PostMsg(CommitFailed);
    } else if (FWriteFailed) {
        FTargets.WriteState.store(3);
        FWriteFailed = false;
    } else {
        FTargets.WriteState.store(1);
    }
    FOut.PostRepaint(FTargets.Form1);
}
