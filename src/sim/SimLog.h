#pragma once
// An ordered record of what the simulator received (unit commands, modem
// lines), exact bytes, for tests to assert on and to wait for.
// Threading: every method may be called from any thread.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

class TSimLog {
public:
    void Add(std::string entry);
    std::vector<std::string> All() const;
    size_t Count() const;
    // Blocks until at least n entries are recorded; false when timeoutMs passed first.
    bool WaitFor(size_t n, int timeoutMs) const;
    void Clear();

private:
    mutable std::mutex FMutex;
    mutable std::condition_variable FChanged;
    std::vector<std::string> FEntries;
};
