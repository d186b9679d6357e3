#include "app/WindowJournal.h"

#include <optional>

#include "services/Journal.h"
#include "toolkit/FileIo.h"

TWindowJournal::TWindowJournal() : FInbox(std::make_shared<TInbox>()) {}

std::function<void(TWriteSummary)> TWindowJournal::Receiver() const {
    return [inbox = FInbox](TWriteSummary Summary) {
        std::lock_guard lock(inbox->Lock);
        inbox->Writes.push_back(std::move(Summary));
        inbox->Pending.store(true, std::memory_order_release);
    };
}

bool TWindowJournal::Pending() const {
    return FInbox->Pending.load(std::memory_order_acquire);
}

void TWindowJournal::Flush() {
    std::vector<TWriteSummary> writes;
    {
        std::lock_guard lock(FInbox->Lock);
        writes.swap(FInbox->Writes);
        FInbox->Pending.store(false, std::memory_order_release);
    }
    std::optional<EFileError> failure;
    for (const TWriteSummary& s : writes) {
        try {
            AppendJournal(JournalFile(), JournalRecordOf(s, "window", FSetFile));
        } catch (const EFileError& e) {
            if (!failure)
                failure = e;
        }
    }
    if (failure)
        throw *failure;
}
