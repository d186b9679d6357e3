#include "batch/UnitProcess.h"

#include <utility>

#include "batch/UnitProcessOs.h"

namespace {
// What of a unit's stderr is kept for its report.
constexpr std::size_t ErrorsKept = 4096;
} // namespace

struct TUnitProcess::TImpl {
    TLine OnLine;
    TEnd OnEnd;
    TChildOs Child;
    std::string StartError;
    int OpenStreams = 0;
    std::string Pending;
    std::string Errors;

    void Readable(TChildStream Stream) {
        bool open;
        if (Stream == TChildStream::Out) {
            open = Child.Read(Stream, Pending);
            for (std::size_t nl; (nl = Pending.find('\n')) != std::string::npos;) {
                std::string line = Pending.substr(0, nl);
                Pending.erase(0, nl + 1);
                // A Windows program's text output ends its lines with CR LF.
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                OnLine(line);
            }
        } else {
            std::string more;
            open = Child.Read(Stream, more);
            if (Errors.size() < ErrorsKept)
                Errors += more.substr(0, ErrorsKept - Errors.size());
        }
        if (open || --OpenStreams > 0)
            return;
        const TChildExit exit = Child.Wait();
        if (!Pending.empty())
            OnLine(std::exchange(Pending, {}));
        OnEnd(exit.Code, exit.Crashed, Errors);
    }
};

TUnitProcess::TUnitProcess(TLine OnLine, TEnd OnEnd) : FImpl(std::make_unique<TImpl>()) {
    FImpl->OnLine = std::move(OnLine);
    FImpl->OnEnd = std::move(OnEnd);
}

TUnitProcess::~TUnitProcess() = default;

bool TUnitProcess::Start(const std::string& Program, const std::vector<std::string>& Args) {
    TImpl* impl = FImpl.get();
    if (!impl->Child.Start(
            Program, Args, [impl](TChildStream s) { impl->Readable(s); }, &impl->StartError))
        return false;
    impl->OpenStreams = 2;
    return true;
}

const std::string& TUnitProcess::StartError() const {
    return FImpl->StartError;
}

void TUnitProcess::Stop() {
    FImpl->Child.Stop();
}

void TUnitProcess::Kill() {
    FImpl->Child.Kill();
}
