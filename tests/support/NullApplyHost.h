#pragma once
// The main window's side of the queue's appliers where a test has no main
// window: memo lines, the log and the window's own requests go nowhere.
// Override what a test needs to see.
// Threading: the GUI thread, as every applier host.

#include "queue/Appliers.h"

class TNullApplyHost : public TApplyHost {
public:
    void AppendMemoLine(const std::string&) override {}
    bool LogEnabled() const override { return false; }
    void WriteLogLine(const std::string&) override {}
    bool IsMainWindow(const QObject*) const override { return false; }
    void SetGeneration(int) override {}
    void RepaintStatusBar() override {}
    bool IsInputsPage(const QObject*) const override { return false; }
    void SetInputFlagsEnabled(bool) override {}
};
