#pragma once
// A program of this build run to its end, on every system, started as
// orbelin-batch starts the units of a list (TUnitProcess): its standard
// output, the start of its standard error, and its exit code. A test that
// uses it links orb_batch.
//
// Threading: GUI thread (it runs an event loop until the program ends).

#include <QEventLoop>
#include <string>
#include <vector>

#include "batch/UnitProcess.h"

struct TProgramRun {
    int Exit = -1; // -1 also when it could not start or ended abnormally
    std::string Out, Err;
};

inline TProgramRun RunProgram(const std::string& Program, const std::vector<std::string>& Args) {
    TProgramRun run;
    QEventLoop loop;
    TUnitProcess process([&](const std::string& Line) { run.Out += Line + "\n"; },
                         [&](int Code, bool Crashed, const std::string& Errors) {
                             run.Exit = Crashed ? -1 : Code;
                             run.Err = Errors;
                             loop.quit();
                         });
    if (process.Start(Program, Args))
        loop.exec();
    return run;
}
