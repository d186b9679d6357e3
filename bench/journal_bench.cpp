// The journal of units written after a year of heavy use: 20,000 records,
// each a write of every parameter of a generation-0 unit (the largest
// record there is; most records of a real year are smaller). Measures how
// long the window's journal takes to open on it, what else reads it whole,
// and what one more record costs to append.
//
//     journal_bench [RECORDS]
//     journal_bench --resident
//
// Prints one figure per line:
//     journal_mb        the size of the journal
//     read_ms           reading it: every line checked, the parameters counted
//     open_window_ms    the journal window made on it and shown (goal: < 1000)
//     filter_ms         the window's filter typed in (one unit's records)
//     params_all_ms     every record's parameters read, as the CSV export does
//     csv_ms            the CSV of every record
//     append_mean_ms    one more record appended and flushed to the disk
//     append_max_ms     the slowest of those appends
//
// With --resident, journals of 1, 10 and 100 MB of short records (one
// parameter written from the window) are listed by "orbelin-batch journal"
// and its peak resident memory is told, which must not grow with the file:
//     list_<N>mb_ms     the listing of the N MB journal, printed to nowhere
//     list_<N>mb_rss_mb its peak resident memory (goal: < 100 at 32 MB)

#include <QApplication>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/JournalDlg.h"
#include "params/ParamTable.h"
#include "queue/Protocol.h"
#include "services/Journal.h"
#include "toolkit/FileIo.h"

namespace {

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point Start) {
    return std::chrono::duration<double, std::milli>(TClock::now() - Start).count();
}

// A write of every parameter a generation-0 unit is written, verified.
TJournalRecord WriteAll(int Unit) {
    TWriteSummary s;
    s.Request = rqWriteAll;
    s.Ended = std::chrono::system_clock::now();
    s.Port = "/dev/ttyUSB" + std::to_string(Unit % 4);
    s.Version = "ORBELIN REV 07.41";
    s.Revision = 41;
    s.ObjNum = std::to_string(1000 + Unit % 2000);
    s.CommitSent = s.Committed = s.Verified = true;
    const char* const pages[] = {"", "formCommon", "formAcc",   "formGPRS", "",
                                 "", "formPhones", "formInOut", "",         "formGPS"};
    for (const TParamDef& row : ParamTable())
        if (row.WrittenInGeneration(0) && row.Stored() && row.Page < 10 && *pages[row.Page])
            s.Params.push_back({pages[row.Page],
                                row.ControlNames().front(),
                                row.Secret ? "***" : "value " + std::to_string(Unit % 97),
                                TParamOutcome::Verified,
                                {}});
    return JournalRecordOf(s, Unit % 3 ? "batch" : "window", "/home/operator/sets/fleet.ini");
}

// The shortest record there is: one parameter written from the window.
TJournalRecord WriteOne(int Unit) {
    TWriteSummary s;
    s.Request = rqWriteParam;
    s.Ended = std::chrono::system_clock::now();
    s.Port = "/dev/ttyUSB0";
    s.Version = "ORBELIN REV 07.41";
    s.ObjNum = std::to_string(1000 + Unit % 2000);
    s.Params.push_back({"formCommon", "etObjNum", s.ObjNum, TParamOutcome::Written, {}});
    return JournalRecordOf(s, "window", {});
}

// "orbelin-batch journal" on the folder, its output dropped: its peak
// resident memory in MB, and how long it took.
bool ListJournal(const std::string& Folder, double& RssMb, double& Ms) {
    const auto start = TClock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execl(ORB_BATCH, ORB_BATCH, "journal", "--home", Folder.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return false;
    Ms = MsSince(start);
    RssMb = static_cast<double>(usage.ru_maxrss) / 1024; // kB on Linux
    return true;
}

int Resident(const std::string& Folder) {
    const std::string file = Folder + "/" + JournalFileName;
    // Grown on the disk: a child's peak counts what it shared of this
    // process before its program started.
    std::FILE* out = std::fopen(file.c_str(), "wb");
    std::size_t size = 0;
    int unit = 0;
    for (const int mb : {1, 10, 100}) {
        while (size < (static_cast<std::size_t>(mb) << 20)) {
            const std::string line = JournalLine(WriteOne(unit++)) + "\n";
            size += std::fwrite(line.data(), 1, line.size(), out);
        }
        std::fflush(out);
        double rss = 0, ms = 0;
        if (!ListJournal(Folder, rss, ms)) {
            std::fprintf(stderr, "journal_bench: orbelin-batch journal failed on %d MB\n", mb);
            std::fclose(out);
            return 1;
        }
        std::printf("list_%dmb_ms %.0f\n", mb, ms);
        std::printf("list_%dmb_rss_mb %.0f\n", mb, rss);
    }
    std::fclose(out);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const bool resident = argc > 1 && std::string(argv[1]) == "--resident";
    if (resident) {
        char folder[] = "/tmp/journal_bench.XXXXXX";
        if (!mkdtemp(folder)) {
            std::perror("journal_bench");
            return 1;
        }
        const int code = Resident(folder);
        std::system(("rm -rf " + std::string(folder)).c_str());
        return code;
    }
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 20000;
    char folder[] = "/tmp/journal_bench.XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("journal_bench");
        return 1;
    }
    const std::string file = std::string(folder) + "/" + JournalFileName;

    // Written in one go: the figures below are about reading it.
    std::string bytes;
    for (int i = 0; i < records; ++i)
        bytes += JournalLine(WriteAll(i)) + "\n";
    ReplaceFileContents(file, bytes);
    std::printf("journal_mb %.1f\n", static_cast<double>(bytes.size()) / (1 << 20));

    auto start = TClock::now();
    const TJournal journal = ReadJournal(file);
    std::printf("read_ms %.0f\n", MsSince(start));
    if (static_cast<int>(journal.Records.size()) != records || journal.Damaged != 0) {
        std::fprintf(stderr, "journal_bench: %zu records read, %d damaged\n",
                     journal.Records.size(), journal.Damaged);
        return 1;
    }

    start = TClock::now();
    {
        TdlgJournal window(nullptr, file, {}, {});
        window.show();
        QApplication::processEvents();
        std::printf("open_window_ms %.0f\n", MsSince(start));
        start = TClock::now();
        window.etFilter->SetText("1234");
        QApplication::processEvents();
        std::printf("filter_ms %.0f\n", MsSince(start));
    }

    start = TClock::now();
    std::size_t params = 0;
    for (const TJournalRecord& r : journal.Records)
        params += journal.Params(r).size();
    std::printf("params_all_ms %.0f\n", MsSince(start));
    std::vector<const TJournalRecord*> all;
    for (const TJournalRecord& r : journal.Records)
        all.push_back(&r);
    start = TClock::now();
    const std::string csv = JournalCsv(journal, all, TDevicePages{});
    std::printf("csv_ms %.0f\n", MsSince(start));

    double total = 0, slowest = 0;
    constexpr int Appends = 100;
    for (int i = 0; i < Appends; ++i) {
        const TJournalRecord r = WriteAll(records + i);
        start = TClock::now();
        AppendJournal(file, r);
        const double ms = MsSince(start);
        total += ms;
        slowest = std::max(slowest, ms);
    }
    std::printf("append_mean_ms %.2f\n", total / Appends);
    std::printf("append_max_ms %.2f\n", slowest);
    std::system(("rm -rf " + std::string(folder)).c_str());
    return params > 0 && !csv.empty() ? 0 : 1;
}
