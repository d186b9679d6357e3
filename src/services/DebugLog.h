#pragma once
// The debug log "log.txt": every debug line the link thread posts, while
// logging is on. The file is only ever appended to; each logging period is
// framed by an opening and a closing banner block. Windows-1251, CR LF, as
// the program has always kept it; orbelin-batch's logs are the platform's
// own text (UTF-8 and its line end), for people reading them with cat.
//
// Lines go through the stream's buffer; Flush, called after every drain pass
// that wrote, hands them to the system, so a crash of the program loses none.
//
// Threading: GUI thread only.

#include <fstream>
#include <string>

class TDebugLog {
public:
    TDebugLog() = default;
    TDebugLog(const TDebugLog&) = delete;
    TDebugLog& operator=(const TDebugLog&) = delete;

    // True exactly while the file is open for writing.
    bool LogEnabled() const { return FStream.is_open(); }
    const std::string& FileName() const { return FFileName; }

    // Opens the file for appending (creating it when missing, readable by
    // the user alone) and writes the opening block. False, with the file
    // closed again, when it cannot be opened or written.
    bool Start(const std::string& FileName);
    // Writes the closing block and closes the file. A closing block that
    // cannot be written is dropped like a failed line; the log ends anyway.
    void Stop();

    // One debug line; throws EFileError naming the file when it cannot be
    // written (that line is lost, logging stays on).
    void WriteLine(const std::string& Text);
    // Hands what was written since the last flush to the system; a failure
    // drops those lines, like a failed WriteLine.
    void Flush();

    // How lines are written; before Start.
    enum class TText { Windows1251, Native };
    void SetText(TText Text) { FText = Text; }

    // The rule line of the banner blocks: 81 "=".
    static std::string RuleLine() { return std::string(81, '='); }

private:
    bool WriteBlock(const std::string& Words);
    bool Put(const std::string& Text);

    std::ofstream FStream;
    std::string FFileName;
    bool FUnflushed = false;
    TText FText = TText::Windows1251;
};
