#include "sim/SimLog.h"

#include <chrono>

void TSimLog::Add(std::string entry) {
    {
        std::lock_guard lock(FMutex);
        FEntries.push_back(std::move(entry));
    }
    FChanged.notify_all();
}

std::vector<std::string> TSimLog::All() const {
    std::lock_guard lock(FMutex);
    return FEntries;
}

size_t TSimLog::Count() const {
    std::lock_guard lock(FMutex);
    return FEntries.size();
}

bool TSimLog::WaitFor(size_t n, int timeoutMs) const {
    std::unique_lock lock(FMutex);
    return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return FEntries.size() >= n; });
}

void TSimLog::Clear() {
    std::lock_guard lock(FMutex);
    FEntries.clear();
}
