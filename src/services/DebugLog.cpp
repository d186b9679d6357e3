#include "services/DebugLog.h"

#include <filesystem>

#include "toolkit/Cp1251.h"
#include "toolkit/DateTimeText.h"
#include "toolkit/FileIo.h"
#include "toolkit/Platform.h"

namespace {
std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
} // namespace

bool TDebugLog::Put(const std::string& text) {
    if (FText == TText::Native)
        FStream << text << PlatformLineEnd();
    else
        FStream << Utf8ToCp1251Lossy(text) << "\r\n";
    FUnflushed = true;
    if (FStream)
        return true;
    FStream.clear();
    return false;
}

bool TDebugLog::WriteBlock(const std::string& words) {
    const bool written =
        Put("") && Put(RuleLine()) && Put(DateTimeText() + words) && Put(RuleLine());
    FStream.flush();
    FUnflushed = false;
    if (!FStream) {
        FStream.clear();
        return false;
    }
    return written;
}

bool TDebugLog::Start(const std::string& fileName) {
    if (LogEnabled())
        return true;
    FFileName = fileName;
    // The log holds the passwords the link sends: a new one is the user's alone.
    if (!CreatePrivateFile(fileName))
        return false;
    FStream.open(PathOf(fileName), std::ios::binary | std::ios::app);
    if (!FStream.is_open())
        return false;
    if (WriteBlock(" Начали процесс протоколирования"))
        return true;
    FStream.close();
    return false;
}

void TDebugLog::Stop() {
    if (!LogEnabled())
        return;
    WriteBlock(" Окончили процесс протоколирования");
    FStream.close();
    FStream.clear();
}

void TDebugLog::WriteLine(const std::string& text) {
    if (!LogEnabled())
        return;
    if (!Put(text))
        throw EFileError(FFileName, "Не удалось записать строку в файл " + FFileName);
}

void TDebugLog::Flush() {
    if (!LogEnabled() || !FUnflushed)
        return;
    FUnflushed = false;
    if (!FStream.flush())
        FStream.clear();
}
