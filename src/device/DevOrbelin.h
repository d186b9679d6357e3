#pragma once
// TDevOrbelin: the Orbelin unit behind the link thread. It runs the request
// the link thread hands it: the connection handshake (firmware version and
// generation), the keep-alive of a data call, the parameter reads and writes
// of the settings pages, the walks over all pages, the commit that ends every
// write, the inputs/outputs commands, the debug console and the records
// operations. Its routines are split by concern:
//   DevOrbelin.cpp          requests and the standard exchange
//   DevOrbelin_connect.cpp  handshake, keep-alive
//   DevOrbelin_commit.cpp   commit
//   DevOrbelin_params.cpp   one parameter: lamps, encodings, reference entries
//   DevOrbelin_groups.cpp   the parameter groups of the settings pages
//   DevOrbelin_inout.cpp    the inputs/outputs page
//   DevOrbelin_pages.cpp    page routing, read all, write all, walk progress
//   DevOrbelin_console.cpp  debug console and record memory operations
//
// Threading: created on the GUI thread, which also calls SetPages before the
// first connection; Dispatch and everything it calls run in the link thread.
// Revision and Generation may be read from any thread. The link thread reads
// page controls through their snapshots and changes them only by posting.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "device/DevicePages.h"
#include "device/ParamForm.h"
#include "device/ReplyValue.h"
#include "link/UiTargets.h"
#include "link/xModem.h"
#include "queue/OutArray.h"
#include "queue/Protocol.h"
#include "toolkit/Colors.h"

class QObject;
class TCheckBox;
class TEdit;
class TLabel;
class TParamPage;
class TRefValues;

class TDevOrbelin : public TDevice {
public:
    TDevOrbelin(TOutArray& Out, const TUiTargets& Targets);

    // The link thread of the coming connection; set before it is resumed.
    // Not owned.
    void SetModem(TModem* Link) {
        FModem = Link;
        FEstablished = false;
        FLossShown = false;
    }
    // The pages and the progress panel; GUI thread, before the first
    // connection. Without them the walks and actions find nothing to do.
    void SetPages(const TDevicePages& Pages) { FPages = Pages; }

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

    // The form the parameter table gives a page's edit (its length limit
    // filled in from the edit), for checking a value before it is written;
    // nothing for a control the table does not list.
    static std::optional<TParamForm> ParamFormOf(const TDevicePages& Pages, const QObject* Control);

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

    void Connect();
    void KeepAlive();
    void Commit();
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
    TUiTargets FTargets;
    TDevicePages FPages;
    // The request being carried out. The routines decide by it, not by the
    // link thread's Mode, which the operator may overwrite meanwhile: a
    // single-parameter write must not turn into a write of the whole page.
    std::uint8_t FRequest = rqIdle;
    bool FEstablished = false; // the handshake of this connection succeeded
    bool FLossShown = false;   // its lost line has been reported

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
    // A red lamp counts its parameter as failed in the operation under way.
    void Lamp(TLabel* Label, TColor Color);
    // Adds to what the operator is told about a failed parameter.
    void NoteFailure(TLabel* Label, const std::string& Note);
    // The parameter as the memo names it: its caption and its control's name.
    static std::string ParamName(TLabel* Lamp, const std::string& Control);
    // The value of a parameter's reply if the exchange succeeded and the value
    // has the parameter's form; otherwise nothing, and a rejected value or
    // reply is shown in the memo under the parameter's name.
    std::optional<std::string> TakeValue(TExchangeResult Result, const std::string& Reply,
                                         const TParamForm& Form, const std::string& Who);
    // The memo line for a value the unit gave that is not taken, and why.
    void RejectValue(const std::string& Who, const std::string& Value, const std::string& Problem);
    // A parameter's exchange; counts as one step of a walk.
    TExchangeResult Transact(const std::string& Command, std::string& Reply);
    // Whether Text can be part of a command; if not, the memo says why.
    bool Sendable(const std::string& What, const std::string& Text);
    bool ExecCommand(const std::string& Command, TLabel* Lamp, std::string& Value);
    // Form: a text-like or decimal form; its length limit is the edit's.
    void ReadTextParam(TEdit* Edit, const std::string& Command, TLabel* Lamp, TRefValues& Table,
                       TParamForm Form);
    // Control: an edit or a spin edit; Digits: the hexadecimal digits it takes.
    void ReadHexParam(QObject* Control, const std::string& Command, TLabel* Lamp, TRefValues& Table,
                      int Digits);
    void ReadParamValue(QObject* Control, const std::string& Name, const std::string& Command,
                        TLabel* Lamp, TRefValues& Table, const TParamForm& Form);
    // A flag byte or a pair of them ("+R", "+K", "+Z", ...) for the parameter
    // Who: the value when the exchange succeeded and the value is hexadecimal
    // of at most Digits digits. Result: how the exchange went.
    std::optional<std::string> ReadFlagValue(const std::string& Command, int Digits,
                                             const std::string& Who,
                                             TExchangeResult* Result = nullptr);
    // True when the value was written (the unit answered).
    bool WriteTextParam(TEdit* Edit, const std::string& Command, int Digits, TLabel* Lamp,
                        TRefValues& Table);
    bool WriteHexParam(QObject* Control, const std::string& Command, int Digits, TLabel* Lamp,
                       TRefValues& Table);
    // A check box's state and reference entry.
    void PostChecked(TCheckBox* Box, bool Checked, TRefValues& Table);
    void FinishRead(TParamPage& Page);
    // EvenSingle: a single-parameter write sets the flag too.
    void FinishWrite(TParamPage& Page, bool EvenSingle = false);

    // DevOrbelin_groups.cpp
    // One parameter of a page's table, read or written as its form says.
    void ReadByForm(TEdit* Edit, const std::string& Command, TLabel* Lamp, TRefValues& Table,
                    const TParamForm& Form);
    void WriteByForm(TEdit* Edit, const std::string& Command, TLabel* Lamp, TRefValues& Table,
                     const TParamForm& Form);
    void ReadCommon(TformCommon& Page);
    void WriteCommon(TformCommon& Page);
    void ReadGPRS(TformGPRS& Page);
    void WriteGPRS(TformGPRS& Page);
    void ReadGPS(TformGPS& Page);
    void WriteGPS(TformGPS& Page);
    void ReadBattery(TformAcc& Page);
    void WriteBattery(TformAcc& Page);
    void ReadFlags(TformFlags& Page);
    void ReadPhones(TformPhones& Page);
    void WritePhones(TformPhones& Page);
    void RestartGPS();
    void ResetFlags();
    // Reads "+S": the battery page's power state caption for a failure, or
    // empty when the status byte is to be shown (Status then holds it).
    std::string PowerStateText(int& Status);

    // DevOrbelin_inout.cpp
    void ReadInOut(TformInOut& Page);
    void WriteInOut(TformInOut& Page);
    void ReadInOutPerInput(TformInOut& Page);
    void WriteInOutPerInput(TformInOut& Page);
    void SetOutputs();
    void ReadInputMasks(TformInOut& Page);
    void ReadOutputs(TformInOut& Page);

    // DevOrbelin_pages.cpp
    // The failed parameters of the operation under way, for the operator:
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
    void BeginWalk(const char* What, int Total);
    void EndWalk();

    // DevOrbelin_verify.cpp
    // How a read-back's value gives the controls' values.
    enum class TReadBackKind {
        Value,       // one field in its parameter's form
        Switch,      // "00" on, "FF" off ("+c")
        TestFlag,    // bit 0 set: the box is clear ("+K")
        GpsFlags,    // bit 0, bit 1 ("+R")
        RestoreMask, // five boxes by bit, then the input mode's three buttons ("+Z")
        TriggerMask, // five boxes by bit ("+z")
        EventCode,   // a generation-1 event code and its box ("+Z0", "+z0" and the row)
    };
    // One command that reads back what a write sent.
    struct TReadBack {
        TReadBackKind Kind = TReadBackKind::Value;
        std::string Command;
        TParamForm Form; // Value
        std::vector<TLabel*> Lamps;
        // Each control and what was sent, as the control shows it ("true" or
        // "false" for a box or a button).
        std::vector<std::pair<QObject*, std::string>> Sent;
    };
    // After a successful write, when writes are checked: what to read back.
    void ExpectReadBack(TReadBack ReadBack);
    // A field of a page's table, as its reference entry now holds it.
    void ExpectValue(QObject* Control, const std::string& Command, TLabel* Lamp, TParamForm Form,
                     const TRefValues& Table);
    // The read-back value as the controls would show it, in the order of
    // Sent; nothing (and Problem says why) when it is not such a value.
    static std::optional<std::vector<std::string>>
    HeldValues(const TReadBack& ReadBack, const std::string& Value, std::string& Problem);
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

    const char* FWalkWhat = nullptr; // "Чтение" or "Запись" while a walk runs
    int FWalkStep = 0;
    int FWalkTotal = 0;

    struct TFailure {
        TLabel* Lamp;
        std::string Note;
    };
    std::vector<TFailure> FFailures; // red lamps of the operation under way, in order
    bool FFailuresShown = false;     // status panel 4 shows their count

    std::atomic<bool> FVerifyWrites{false};
    bool FVerifying = false;           // this request's writes are checked
    std::vector<TReadBack> FReadBacks; // what this request wrote, to read back
};
