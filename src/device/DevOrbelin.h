#pragma once
// TDevOrbelin: the Orbelin unit behind the link thread. It runs the request
// the link thread hands it: the connection handshake (firmware version and
// generation), the keep-alive of a data call, the parameter reads and writes
// of the settings pages, the walks over all pages, the commit that ends every
// write, the inputs/outputs commands, the debug console and the records
// operations. Its routines are split by concern:
//   DevOrbelin.cpp          requests and the standard exchange
//   DevOrbelin_connect.cpp  handshake, keep-alive
//   DevOrbelin_commit.cpp   commit, and the summary of a write at its end
//   DevOrbelin_params.cpp   one parameter: lamps, records, reference entries
//   DevOrbelin_groups.cpp   the pages' parameters in order, the flags page,
//                           the actions
//   DevOrbelin_pages.cpp    page routing, read all, write all, walk progress
//   DevOrbelin_verify.cpp   reading back what a write sent
//   DevOrbelin_console.cpp  debug console and record memory operations
//
// Threading: created on the GUI thread, which also calls SetPages before the
// first connection; Dispatch and everything it calls run in the link thread.
// Revision and Generation may be read from any thread. The link thread reads
// page controls through their snapshots and changes them only by posting.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/DevicePages.h"
#include "device/ReplyValue.h"
#include "device/WriteSummary.h"
#include "link/xModem.h"
#include "pages/RefValues.h"
#include "params/ParamForm.h"
#include "params/ParamTable.h"
#include "queue/OutArray.h"
#include "queue/Protocol.h"
#include "toolkit/Colors.h"

class QObject;
class TEdit;
class TLabel;
class TParamPage;
class TformFlags;

class TDevOrbelin : public TDevice {
public:
    explicit TDevOrbelin(TOutArray& Out);

    // The link thread of the coming connection; set before it is resumed.
    // Not owned.
    void SetModem(TModem* Link) {
        FModem = Link;
        FEstablished = false;
        FLossShown = false;
        std::lock_guard lock(FVersionLock);
        FVersion.clear();
    }
    // The pages and the progress panel; GUI thread, before the first
    // connection. Without them the walks and actions find nothing to do.
    void SetPages(const TDevicePages& Pages) { FPages = Pages; }
    // Called in the link thread at the end of every write that sent the
    // unit some parameter, with what it did; it must be safe there (no Qt,
    // no files: hand the summary on). GUI thread, before the first
    // connection.
    void SetWriteEnded(std::function<void(TWriteSummary)> WriteEnded) {
        FWriteEnded = std::move(WriteEnded);
    }

    void Dispatch(std::uint8_t Code) override;

    // Firmware revision and generation from the last version check that
    // yielded a number (41 and 0 before any).
    std::int32_t Revision() const { return FRevision.load(); }
    std::int32_t Generation() const { return FGeneration.load(); }

    // Every write is read back and compared before it is committed, and a
    // unit that holds anything but what was sent gets no commit. Any thread;
    // taken up by the next request.
    void SetVerifyWrites(bool On) { FVerifyWrites.store(On); }
    bool VerifyWrites() const { return FVerifyWrites.load(); }

    // The handshake of this connection succeeded.
    bool Established() const { return FEstablished.load(); }
    // The unit's version text from the last version check; empty before one.
    std::string Version() const;
    // Commands the last write sent to the unit (0: nothing, no commit).
    int WritesSent() const { return FWritesSent.load(); }
    // The last request sent the commit; the unit confirmed it.
    bool CommitSent() const { return FCommitSent.load(); }
    bool Committed() const { return FCommitted.load(); }
    // The object number the unit keeps after the last operation, as far as
    // this connection knows: one written and not committed is lost at the
    // unit's next start, so it is still the one it had. Called on the link
    // thread or once the link has ended.
    std::string ObjectNumberHeld() const;

protected:
    // The longest an idle pass waits for input or a new request; the wait
    // ends at once on either, and on the end of the connection.
    static constexpr int IdleWaitMs = 1000;

    enum class TExchangeResult {
        Answered,  // the reply passed CheckReply: its value is ExtractReplyValue(Reply)
        NoAnswer,  // nothing came, the port is closed or the link is stopping
        Refused,   // "ERROR", or the link was lost (the link thread then stops)
        Malformed, // no "OK" and no value either: nothing in it can be taken
    };

    // One unit command: its text and CR out, a reply up to "OK\r\n" back.
    TExchangeResult Exchange(const std::string& Command, std::string& Reply);
    void ShowOnSplash(const std::string& Text);
    void ShowFailure(TLinkFailure Failure, const std::string& Text = {});
    void Post(TUnitEvent Event) { FOut.PostEvent(std::move(Event)); }

    void Connect();
    void KeepAlive();
    void Commit();
    // Hands the summary of the write that just ended to SetWriteEnded's
    // function, when the write sent the unit some parameter.
    void HandOverWrite();
    // Runs a write whose messages wait until it has ended and its summary
    // is handed over: the window shows a message modally, and the record
    // of what reached the unit must not wait for the operator to close it.
    void WriteThenTell(const std::function<void()>& Write);
    // A message of a write: held while WriteThenTell runs, else posted.
    void Tell(const std::string& Text);
    // One message box, once per connection, when a connection that was
    // established has lost its line or its port.
    void ReportLineLoss();

    // The current page's parameters, from or to the unit; every page, in a
    // fixed order. Only Dispatch calls them.
    virtual void ReadPage();
    virtual void WritePage();
    virtual void ReadAll();
    virtual void WriteAll();

    std::atomic<std::int32_t> FRevision{41};
    TOutArray& FOut;
    TModem* FModem = nullptr;
    std::chrono::steady_clock::time_point FLastKeepAlive{};
    std::int32_t FKeepAliveInterval = 0; // seconds
    std::atomic<std::int32_t> FGeneration{0};
    bool FWriteFailed = false;
    TCommitState FCommitState = csNone; // what the last commit did
    TDevicePages FPages;
    // The request being carried out. The routines decide by it, not by the
    // link thread's Mode, which the operator may overwrite meanwhile: a
    // single-parameter write must not turn into a write of the whole page.
    std::uint8_t FRequest = rqIdle;
    std::atomic<bool> FEstablished{false}; // the handshake of this connection succeeded
    bool FLossShown = false;               // its lost line has been reported
    std::atomic<int> FWritesSent{0};       // commands the write under way sent
    std::string FObjNumBefore;             // the object number known as the operation began
    std::atomic<bool> FCommitSent{false};  // this request sent the commit
    std::atomic<bool> FCommitted{false};   // and the unit confirmed it

private:
    // DevOrbelin_connect.cpp
    void CheckVersion(const std::string& Reply);
    bool KeepAliveDue() const;
    // How long the idle pass may wait: until the next keep-alive falls due.
    int IdleWaitFor() const;

    // What the parameter routines use of the link thread (DevOrbelin.cpp).
    bool Stopping() const;
    void PostLine(const std::string& Text, bool Show, bool Stamp);
    // The console's exchange: the reply whatever the outcome (a reply that
    // reports a lost line still ends the link).
    std::string SendAsTyped(const std::string& Command);

    // DevOrbelin_params.cpp
    // The control carries a single-parameter request's mark.
    static bool Marked(const QObject* Control);
    // Skipped in a single-parameter request of the given code unless marked.
    bool Skipped(QObject* Control, std::uint8_t SingleCode) const;
    void Post(QObject* Control, const std::string& Text);
    void Lamp(QObject* Label, TColor Color) { FOut.PostControlColor(Label, Color); }
    // A state row's part or an action failed: its lamp goes red, and the
    // operation counts it under the lamp's caption.
    void LampFailed(TLabel* Label);
    // The parameter as the memo names it: its page and its control's caption.
    static std::string ParamName(const TParamPage& Page, const TParamDef& Row,
                                 const std::string& Control);
    // The value of a parameter's reply if the exchange succeeded and the value
    // has the parameter's form; otherwise nothing, and a rejected value or
    // reply is shown in the memo under the parameter's name.
    std::optional<std::string> TakeValue(TExchangeResult Result, const std::string& Reply,
                                         const TParamForm& Form, const std::string& Who);
    // The memo line for a value the unit gave that is not taken, and why.
    void RejectValue(const std::string& Who, const std::string& Value, const std::string& Problem);
    // A parameter's exchange; counts as one step of a walk. Place: the
    // parameter as the operator knows it, noted when the unit answers.
    TExchangeResult Transact(const std::string& Command, std::string& Reply,
                             const std::string& Place = {});
    // Whether Text can be part of a command; if not, the memo says why.
    bool Sendable(const std::string& What, const std::string& Text);
    bool ExecCommand(const std::string& Command, TLabel* Lamp, std::string& Value);
    // A flag byte or a pair of them (the state and flags rows) for the
    // memo's Who: the value when the exchange succeeded and it has the
    // row's form. Result: how the exchange went.
    std::optional<std::string> ReadFlagValue(const TParamDef& Row, const std::string& Who,
                                             TExchangeResult* Result = nullptr);

    // One row of the parameter table on its page (ParamTable.h).
    struct TRowOnPage {
        const TParamDef* Row;
        TParamPage* Page;
        std::vector<QObject*> Controls; // in the row's order; nullptr where missing
        std::vector<TLabel*> Lamps;
        // The parameter as the memo names it.
        std::string Who() const;
        // Any of its controls carries a single-parameter mark.
        bool AnyMarked() const;
    };
    TRowOnPage OnPage(TParamPage& Page, const TParamDef& Row) const;
    // The rows of a page a unit of this generation reads or writes.
    std::vector<TRowOnPage> PageRows(TParamPage& Page, bool Write) const;
    // Reads the row into its controls and records; false when nothing was taken.
    bool ReadParam(const TRowOnPage& R);
    // Writes the row if everything it sends is known; true when the unit took it.
    bool WriteParam(const TRowOnPage& R);
    void Lamps(const TRowOnPage& R, TColor Color);
    // The outcome (and why) of every control of the row, in its records.
    void NoteOutcome(const TRowOnPage& R, TParamOutcome Outcome, const std::string& Note = {});
    // The row failed: its records say how and why, its lamps go red, and the
    // operation counts it; Summary is what the operator's summary adds.
    void Failed(const TRowOnPage& R, TParamOutcome Outcome, const std::string& Note = {},
                const std::string& Summary = {});
    void FinishRead(TParamPage& Page);
    // EvenSingle: a single-parameter write sets the flag too.
    void FinishWrite(TParamPage& Page, bool EvenSingle = false);

    // DevOrbelin_groups.cpp
    // The single-parameter marks of the page's outputs row: whether the
    // page has one, whether any and whether every one of its boxes is marked.
    struct TOutputMarks {
        bool Page = false, Any = false, All = false;
    };
    TOutputMarks OutputMarks(TParamPage& Page) const;
    // A parameter page's rows, in order, as the request asks.
    void ReadParamPage(TParamPage& Page);
    void WriteParamPage(TParamPage& Page);
    void ReadFlags(TformFlags& Page);
    void RestartGPS();
    void ResetFlags();
    void SetOutputs();
    // Reads the state: the battery page's power state caption for a failure, or
    // empty when the status byte is to be shown (Status then holds it).
    std::string PowerStateText(int& Status);

    // DevOrbelin_pages.cpp
    // What failed in the operation under way, for the operator:
    // "Ошибок: N — caption, caption, ..."; empty when none failed.
    std::string FailureSummary() const;
    // Message with the summary as its second line, when anything failed.
    std::string WithFailures(const char* Message) const;
    // Status panel 4 says how many parameters failed, and keeps saying so
    // until the next operation begins; false (nothing posted) when none did.
    bool ShowFailureCount();
    void BeginOperation();
    void RunReadRoutine(QObject* Page);
    void RunWriteRoutine(QObject* Page);
    // One step of the walk under way (nothing outside a walk).
    void WalkStep();
    void BeginWalk(TWalkPhase Phase, int Total);
    void EndWalk();
    // Whether the write under way may be committed: something was sent,
    // and (when writes are checked) all of it went through and holds.
    bool WriteGoesThrough();
    // The warning after a write some parameters of which were not written.
    std::string WriteWarningText() const;
    // "Запись всех параметров завершена!" with what was written and checked.
    std::string WriteAllDone() const;
    // "Оставлено, как хранит блок: N — ..." after a line break; empty when
    // the write left nothing.
    std::string KeptText() const;
    // The message a page write that went through ends with; empty when it
    // has nothing to say.
    std::string PageWriteDone() const;

    // DevOrbelin_verify.cpp
    // One row a write sent, to read back.
    struct TReadBack {
        TRowOnPage Where;
        std::string Argument; // what the command carried after its letters
    };
    // After a successful write, when writes are checked: what to read back.
    void ExpectReadBack(const TRowOnPage& Where, const std::string& Argument);
    // Reads back everything the request wrote; true when each parameter
    // holds what was sent, when writes are not checked, or when the link is
    // stopping (the commit then fails by itself).
    bool CheckWrites();

    // DevOrbelin_console.cpp
    void DebugRead();
    void DebugWrite();
    void DebugExchange(bool Write);
    // The decimal number in a records field; false (and a memo line) when
    // it holds none.
    bool RecordField(TEdit* Field, const char* Role, int& Value);
    // Says in the memo that the operation has no unit command to send.
    void NoRecordCommand(const std::string& Argument);
    void ReadRecordAt();
    void ReadNextRecord();
    void ReadBlock();
    void WriteRecord();
    void RunPointerRequest(std::uint8_t Code);

    // The walk under way, if any.
    std::optional<TWalkPhase> FWalk;
    int FWalkStep = 0;
    int FWalkTotal = 0;

    // What failed in the operation under way: a parameter by its row, a
    // state row's part or an action by its lamp; each once, in the order it
    // first failed.
    struct TFailure {
        const TParamDef* Row;
        const TLabel* Lamp;
        std::string Words; // how the operator knows it
        std::string Note;  // why, as the summary says it
    };
    std::vector<TFailure> FFailures;
    void CountFailure(TFailure Failure);
    // Parameters the write under way left as the unit holds them, as
    // "page: caption".
    std::vector<std::string> FKept;
    // A unit that leaves this many commands in a row without any reply has
    // stopped answering: the rest of the request is not sent, each command
    // failing at once, rather than wait out every reply.
    static constexpr int SilentRepliesEnd = 2;
    int FSilentReplies = 0;
    bool FUnitSilent = false;
    std::string FLastAnswered; // the last parameter the unit answered for, as the memo names it
    // What the operator is told when the unit stopped answering.
    std::string SilentText() const;
    bool FFailuresShown = false; // status panel 4 shows their count

    mutable std::mutex FVersionLock;
    std::string FVersion;

    std::atomic<bool> FVerifyWrites{false};
    bool FVerifying = false;           // this request's writes are checked
    std::vector<TReadBack> FReadBacks; // what this request wrote, to read back

    std::function<void(TWriteSummary)> FWriteEnded;
    bool FHoldMessages = false;
    std::vector<std::string> FHeldMessages;
    // The rows this request's write took up, in order.
    std::vector<std::pair<const TParamPage*, const TParamDef*>> FWriteRows;
};
