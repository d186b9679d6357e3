#include <QProcess>
#include <QStringList>

#include "batch/UnitProcess.h"

struct TUnitProcess::TImpl {
    TLine OnLine;
    TEnd OnEnd;
    QProcess Process;
    std::string Pending;
    std::string Errors;
    bool Ended = false;
};

TUnitProcess::TUnitProcess(TLine OnLine, TEnd OnEnd) : FImpl(std::make_unique<TImpl>()) {
    FImpl->OnLine = std::move(OnLine);
    FImpl->OnEnd = std::move(OnEnd);
}

TUnitProcess::~TUnitProcess() {
    if (FImpl->Process.state() != QProcess::NotRunning) {
        FImpl->Ended = true;
        FImpl->Process.kill();
        FImpl->Process.waitForFinished();
    }
}

bool TUnitProcess::Start(const std::string& Program, const std::vector<std::string>& Args) {
    TImpl* impl = FImpl.get();
    QObject::connect(&impl->Process, &QProcess::readyReadStandardOutput, [impl] {
        impl->Pending += impl->Process.readAllStandardOutput().toStdString();
        for (std::size_t nl; (nl = impl->Pending.find('\n')) != std::string::npos;) {
            std::string line = impl->Pending.substr(0, nl);
            impl->Pending.erase(0, nl + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            impl->OnLine(line);
        }
    });
    QObject::connect(&impl->Process, &QProcess::readyReadStandardError, [impl] {
        impl->Errors += impl->Process.readAllStandardError().toStdString();
    });
    QObject::connect(&impl->Process, &QProcess::finished,
                     [impl](int Code, QProcess::ExitStatus Status) {
                         if (impl->Ended)
                             return;
                         impl->Ended = true;
                         if (!impl->Pending.empty())
                             impl->OnLine(impl->Pending);
                         impl->OnEnd(Code, Status == QProcess::CrashExit, impl->Errors);
                     });
    QStringList args;
    for (const std::string& a : Args)
        args << QString::fromStdString(a);
    impl->Process.start(QString::fromStdString(Program), args);
    if (impl->Process.waitForStarted())
        return true;
    impl->Ended = true;
    return false;
}
