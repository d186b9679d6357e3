#pragma once
// TForm1: the program's main window. It owns the UI-update queue, the device
// object and the current link thread; it creates the settings pages in its
// page area, turns the tool bar and menu commands into request codes for the
// link thread, and drains the queue onto the screen when something was
// posted: the device's events through FTargets. It also keeps the debug memo
// and the log file.
//
// Threading: GUI thread; the link thread only posts to the queue.

#include <QMenu>
#include <QMenuBar>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/Descriptions.h"
#include "app/WindowJournal.h"
#include "device/DevicePages.h"
#include "pages/PageServices.h"
#include "queue/Appliers.h"
#include "queue/OutArray.h"
#include "queue/UiTargets.h"
#include "services/DebugLog.h"
#include "services/DeviceLink.h"
#include "services/GuiWake.h"
#include "services/Settings.h"
#include "toolkit/Controls.h"

class TdlgConnect;
class TdlgSplash;
class TParamPage;
class TformAcc;
class TformCommon;
class TformFlags;
class TformGPRS;
class TformGPS;
class TformInOut;
class TformPhones;
class TformRecords;
class Tform_Debug;

class TForm1 : public TForm {
    // The pages as created (see PageTable.h), handed to the link and to the
    // generation view. First, so that the named pages below are its members.
    TDevicePages FPages;

public:
    // Builds the window and runs the start-up sequence.
    TForm1();
    // Runs the shut-down sequence (unless it already ran).
    ~TForm1() override;

    // Menus.
    QMenuBar* MainMenu1;
    QMenu* mnuFile;
    QMenu* mnuConnections;
    QMenu* mnuUnit;
    QMenu* mnuProperties;
    QMenu* mnuDebug;
    QMenu* mnuHelp;
    TMenuItem* mnuJournal;
    TMenuItem* mnuExit;
    TMenuItem* mnuConnect;
    TMenuItem* mnuDisconnect;
    TMenuItem* mnuRead;
    TMenuItem* mnuWrite;
    TMenuItem* mnuReadAll;
    TMenuItem* mnuWriteAll;
    TMenuItem* mnuCommon;
    TMenuItem* mnuSave;
    TMenuItem* mnuLoad;
    TMenuItem* N1;
    TMenuItem* N2;
    TMenuItem* mnuVerify;
    TMenuItem* mnuMemo;
    TMenuItem* mnuLog;
    TMenuItem* mnuLegend;
    TMenuItem* mnuAbout;

    // Tool bar.
    TToolBar* ToolBar1;
    TToolButton* tbtnConnect;
    TToolButton* tbtnDisconnect;
    TToolButton* tbtnRead;
    TToolButton* tbtnWrite;
    TToolButton* tbtnReadAll;
    TToolButton* tbtnWriteAll;
    TToolButton* tbtnDefault;

    // The page tree on the left, the page area, and below them the memo
    // panel behind its splitter.
    TSplitter* Splitter1;
    TPanel* Panel1;
    TPanel* Panel3;
    TPanel* Panel4;
    TMemo* Memo1;
    TButton* Button1;
    TPanel* Panel2;
    TTreeView* tv1;
    TPanel* mpanel;
    TStatusBar* StatusBar1;

    // The pages by name: FPages's own members, null before they are created
    // and after the window has closed.
    TformAcc*& formAcc = FPages.formAcc;
    TformGPRS*& formGPRS = FPages.formGPRS;
    TformInOut*& formInOut = FPages.formInOut;
    TformGPS*& formGPS = FPages.formGPS;
    TformRecords*& formRecords = FPages.formRecords;
    TformPhones*& formPhones = FPages.formPhones;
    TformFlags*& formFlags = FPages.formFlags;
    Tform_Debug*& form_Debug = FPages.form_Debug;
    TformCommon*& formCommon = FPages.formCommon;

    TdlgSplash* dlgSplash = nullptr;
    TdlgConnect* dlgConnect = nullptr;

    // What the first activation does instead of asking for a connection:
    // connect with the connection dialog's choices as they stand and, with
    // ReadAll, read every page once connected. Before the window is shown.
    void ConnectAtStart(bool ReadAll) {
        FStartConnect = true;
        FStartReadAll = ReadAll;
    }

    // Event handlers.
    void FormCreate();
    void FormActivate();
    void FormDestroy();
    // Something was posted to the queue (or a write handed over): takes it
    // all and applies it.
    void QueuePosted();
    void mnuConnectClick(QObject* Sender);
    void tbtnDisconnectClick(QObject* Sender);
    void tv1Change(QObject* Sender);
    void tbtnReadClick(QObject* Sender);
    void tbtnWriteClick(QObject* Sender);
    void tbtnReadAllClick(QObject* Sender);
    void tbtnWriteAllClick(QObject* Sender);
    void tbtnDefaultClick(QObject* Sender);
    void N2Click(QObject* Sender);
    void mnuSaveClick(QObject* Sender);
    void mnuLoadClick(QObject* Sender);
    void mnuMemoClick(QObject* Sender);
    void mnuLogClick(QObject* Sender);
    void mnuVerifyClick(QObject* Sender);
    void Button1Click(QObject* Sender);
    void mnuLegendClick(QObject* Sender);
    void mnuAboutClick(QObject* Sender);
    void mnuJournalClick(QObject* Sender);
    void mnuExitClick(QObject* Sender);

    // The settings files: the connection dialog, the debug switches, the
    // parameter pages and the console. Both throw EFileError naming the file;
    // a load returns what it could not take as it stands.
    TSettingsLoadReport LoadSettings(const std::string& FileName, bool OwnFile = false);
    void SaveSettings(const std::string& FileName);
    // Asks for the file of "Сохранить" and "Загрузить" (a file dialog; tests
    // put their own answer here).
    TFileChooser ChooseSettingsFile;

    // What the lamp colours, the bold captions and the EEPROM indicator mean
    // ("Обозначения" in the help menu).
    static std::string LegendText();

    // Asks whether "По умолчанию все" may replace the values it names (a
    // message box; tests put their own answer here); true: replace them.
    std::function<bool(const std::string& Question)> ConfirmDefaults =
        [this](const std::string& q) { return AskBeforeDefaults(q); };
    // What "По умолчанию все" would replace that came from the unit, a file
    // or the operator, as its question; empty when it replaces none of that.
    std::string DefaultsQuestion() const;

    // The unit generation: shows and hides the page content it has no use for.
    void SetGeneration(std::int32_t Generation);
    std::int32_t Generation() const { return FGeneration; }
    // The pages as created, and the status bar panel the walks report in.
    const TDevicePages& Pages() const { return FPages; }
    // The "EEPROM" indicator's state (TCommitState); setting it only stores the value.
    std::int32_t WriteState() const { return FWriteState.load(std::memory_order_acquire); }
    void SetWriteState(std::int32_t State) { FWriteState.store(State, std::memory_order_release); }
    // Colours the indicator by the write state and repaints the status bar
    // at once. The bar's own paint changes nothing, so it paints only when
    // something changed.
    void RepaintStatusBar();
    // Brings the page to the front of the page area.
    void ShowPage(TForm* Page);
    // The page with the given page number (a tree node's StateIndex), or none.
    TForm* PageByNumber(int Number) const;

    TOutArray& OutArray() { return *FOutArray; }
    // The device object and the current link thread.
    TDeviceLink& Link() { return *FLink; }
    const TDeviceLink& Link() const { return *FLink; }
    TDebugLog& Log() { return FLog; }
    TWindowJournal& Journal() { return FJournal; }
    TShape* Indicator() const { return FIndicator; }

protected:
    void showEvent(QShowEvent* e) override;
    // Watches the pages coming to the front (see PageCameToFront).
    bool eventFilter(QObject* Watched, QEvent* e) override;

private:
    class TApplyToForm;

    void CreateMenus();
    void CreateToolBar();
    void CreateWorkArea();
    void CreateStatusBar();
    void CreatePages();
    void InstallPageServices();
    void ApplyMemoHeight();
    // Loads a settings file for the operator: what could not be taken is
    // shown in one message, before anything can be written to the unit.
    // OwnFile: current.ini, whose stored choices hold both ways.
    void LoadSettingsAndTell(const std::string& FileName, bool OwnFile = false);
    // What fails while the window closes: stderr, and the log while it is on.
    void ReportClosingError(const std::string& Message);

    // A page came to the front, by the tree or by the device (a walk shows
    // each page it reads): the other pages go behind it and the tree's
    // highlight moves to its entry. The device's current page is left alone,
    // since the walk sets it itself.
    void PageCameToFront(TForm* Page);
    void HideOtherPages(const TForm* Page);

    void SetConnectedState(bool Connected);
    bool AskBeforeDefaults(const std::string& Question);
    // Connects with the connection dialog's port, phone and registration
    // choice, through the splash; true when the window ends up connected.
    bool ConnectAsChosen();
    // The parameter page behind a tree page number, for the flag clearing
    // of Read and Write; none for the tool pages.
    TParamPage* FlaggedPage(int Number) const;
    int SelectedPageNumber() const;
    TForm* CurrentPage() const;
    bool PhoneNumbersValid() const;
    // Some parameter of the pages has a value a write may send; otherwise
    // the operator is told what to do first.
    bool AnyValueKnown(const std::vector<TParamPage*>& Pages) const;
    // Connecting, a failed connect or the operator's disconnect: nothing
    // that describes the unit last connected stays on the screen.
    void ForgetUnit();
    void StartRequest(std::uint8_t Code);
    TSettingsTargets SettingsTargets(bool OwnFile = false) const;

    std::unique_ptr<TOutArray> FOutArray;
    // What the link thread raises when it has posted: runs QueuePosted.
    std::unique_ptr<TGuiWake> FWake;
    std::unique_ptr<TDeviceLink> FLink;
    // What the pages ask of the window; emptied as the window closes.
    TPageServices FPageServices;
    TDescriptionTable FDescriptions;
    std::int32_t FGeneration = 0;
    std::atomic<std::int32_t> FWriteState{0};
    bool FActivated = false;
    bool FDestroyed = false;
    bool FShownOnce = false;
    bool FStartConnect = false;
    bool FStartReadAll = false;
    bool FFollowingPage = false; // the tree follows a page shown by the device

    TShape* FIndicator = nullptr;
    TDebugLog FLog;
    // The writes the device hands over, for the journal of units written.
    TWindowJournal FJournal;
    std::unique_ptr<TApplyToForm> FApplyHost;
    TUiTargets FTargets; // where the device's events show
};
