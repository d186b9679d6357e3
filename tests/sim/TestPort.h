#pragma once
// The program's side of the line, with plain POSIX I/O: opens the slave of
// the simulator's pseudo-terminal raw and non-blocking, writes commands and
// collects what comes back. Bytes read past a mark stay for the next read.

#include <string>
#include <string_view>

class TTestPort {
public:
    explicit TTestPort(const std::string& path);
    ~TTestPort();
    TTestPort(const TTestPort&) = delete;
    TTestPort& operator=(const TTestPort&) = delete;

    void Write(std::string_view bytes);
    // Everything up to and including the first mark, or all that arrived
    // (the mark missing) once timeoutMs passed.
    std::string ReadUntil(std::string_view mark, int timeoutMs = 3000);
    // Everything that arrives within ms: only for checking that nothing does.
    std::string ReadFor(int ms);
    // One unit command: writes it with CR and reads up to "OK\r\n" or "ERROR\r\n".
    std::string Exchange(std::string_view command, int timeoutMs = 3000);
    // True once the line hung up (reads fail), within timeoutMs.
    bool WaitHangup(int timeoutMs);

private:
    bool Fill(int timeoutMs); // false on timeout or hang-up
    int FFd = -1;
    bool FHungUp = false;
    std::string FBuffer;
};
