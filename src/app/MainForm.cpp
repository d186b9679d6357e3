// TForm1: building the window, start-up and shut-down, the queue drain, the
// status bar indicator, the debug memo and log, the unit generation. The
// commands (connect, read, write, defaults) are in MainFormCommands.cpp.

#include "app/MainForm.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "app/Descriptions.h"
#include "app/JournalDlg.h"
#include "app/SplashDlg.h"
#include "app/ToolImages.h"
#include "app/WindowLayout.h"
#include "device/PageTable.h"
#include "pages/HintWindow.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_Records.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "serial/ConnectDlg.h"
#include "services/QuitSignals.h"
#include "toolkit/DateTimeText.h"
#include "toolkit/ProgramFolder.h"

namespace {
const char* const MainCaption = "Настройка Орбелина v7.119";
const int DesignWidth = 817;
const int DesignHeight = 622;
const int MemoDesignHeight = 143;
const int MinPageHeight = 200;

// The maker's lines of the About box.
const char* const AboutLines[] = {
    "Разработчик: ООО \"Пример\"",
    "www.example.com",
    "Тел.: +7 (000) 000-00-00",
    "Факс: +7 (000) 000-00-01",
};

// What the "EEPROM" indicator's colours say, in its tooltip and the legend.
const char* const EepromUntouched = "сохранения в памяти блока ещё не было";
const char* const EepromSaved = "параметры сохранены в памяти блока";
const char* const EepromFailed = "сохранить параметры в памяти блока не удалось";
const char* const EepromPartly = "сохранено, но не все параметры удалось записать";

// The keys of the commands. Read and write keep to letters apart on the
// keyboard, so that a slip of the finger does not write to the unit; none of
// them is a key the fields take for editing.
const QKeySequence ConnectKey(Qt::CTRL | Qt::Key_N);
const QKeySequence DisconnectKey(Qt::CTRL | Qt::Key_D);
const QKeySequence ReadKey(Qt::CTRL | Qt::Key_R);
const QKeySequence WriteKey(Qt::CTRL | Qt::Key_W);
const QKeySequence ReadAllKey(Qt::CTRL | Qt::SHIFT | Qt::Key_R);
const QKeySequence WriteAllKey(Qt::CTRL | Qt::SHIFT | Qt::Key_W);
const QKeySequence SaveKey(Qt::CTRL | Qt::Key_S);
const QKeySequence LoadKey(Qt::CTRL | Qt::Key_O);
const QKeySequence MemoKey(Qt::CTRL | Qt::Key_M);
const QKeySequence JournalKey(Qt::CTRL | Qt::Key_J);

// Menu and item captions mark their mnemonic letter with "&".
QMenu* AddMenu(QMenuBar* bar, const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    return menu;
}

TMenuItem* AddItem(TForm* owner, QMenu* menu, const char* name, const char* caption) {
    auto* item = new TMenuItem(owner, name, caption, menu);
    menu->addAction(item);
    return item;
}

TToolButton* AddButton(TForm* owner, TToolBar* bar, const char* name, const char* hint, int image) {
    auto* button = new TToolButton(owner, name, bar);
    button->SetHint(hint);
    button->SetIcon(ToolImage(image));
    bar->AddButton(button);
    return button;
}
} // namespace

// What the queue's appliers reach of this window.
class TForm1::TApplyToForm : public TApplyHost {
public:
    explicit TApplyToForm(TForm1& form) : FForm(form) {}

    void AppendMemoLine(const std::string& text) override { FForm.Memo1->AppendLine(text); }
    bool LogEnabled() const override { return FForm.FLog.LogEnabled(); }
    void WriteLogLine(const std::string& text) override { FForm.FLog.WriteLine(text); }
    bool IsMainWindow(const QObject* control) const override { return control == &FForm; }
    void SetGeneration(int generation) override { FForm.SetGeneration(generation); }
    void RepaintStatusBar() override { FForm.RepaintStatusBar(); }
    bool IsInputsPage(const QObject* control) const override {
        return control && control == FForm.formInOut;
    }
    void SetInputFlagsEnabled(bool enabled) override {
        if (enabled)
            FForm.formInOut->EnableInputFlags();
        else
            FForm.formInOut->DisableInputFlags();
    }
    // A write's summary comes before its messages: its record is in the
    // journal before the box is up.
    void BeforeMessage() override {
        if (FForm.FJournal.Pending())
            Guarded(&FForm, [this] { FForm.FJournal.Flush(); });
    }
    void UnitEvent(const TUnitEvent& event) override {
        ApplyScreenSteps(*this, ShowUnitEvent(event, FForm.FTargets));
    }

private:
    TForm1& FForm;
};

TForm1::TForm1() : TForm(nullptr, "Form1"), FApplyHost(std::make_unique<TApplyToForm>(*this)) {
    SetCaption(MainCaption);
    resize(DesignWidth, DesignHeight);
    CreateMenus();
    CreateToolBar();
    CreateWorkArea();
    CreateStatusBar();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->setMenuBar(MainMenu1);
    column->addWidget(ToolBar1);
    column->addWidget(Splitter1, 1);
    column->addWidget(StatusBar1);

    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
}

void TForm1::CreateMenus() {
    MainMenu1 = new QMenuBar(this);
    mnuFile = AddMenu(MainMenu1, "mnuFile", "&Файл");
    mnuJournal = AddItem(this, mnuFile, "mnuJournal", "&Журнал");
    mnuJournal->setShortcut(JournalKey);
    mnuJournal->OnClick = [this](QObject* s) { mnuJournalClick(s); };
    mnuExit = AddItem(this, mnuFile, "mnuExit", "&Выход");
    mnuExit->OnClick = [this](QObject* s) { mnuExitClick(s); };

    mnuConnections = AddMenu(MainMenu1, "mnuConnections", "&Соединение");
    mnuConnect = AddItem(this, mnuConnections, "mnuConnect", "&Подключиться");
    mnuConnect->SetIcon(ToolImage(1));
    mnuConnect->setShortcut(ConnectKey);
    mnuConnect->OnClick = [this](QObject* s) { mnuConnectClick(s); };
    mnuDisconnect = AddItem(this, mnuConnections, "mnuDisconnect", "&Отключиться");
    mnuDisconnect->SetIcon(ToolImage(0));
    mnuDisconnect->setShortcut(DisconnectKey);
    mnuDisconnect->SetEnabled(false);
    mnuDisconnect->OnClick = [this](QObject* s) { tbtnDisconnectClick(s); };

    // The unit's own commands, which otherwise only the tool bar has; the
    // items hold the keys, the buttons' tooltips name them.
    mnuUnit = AddMenu(MainMenu1, "mnuUnit", "&Блок");
    const auto unitItem = [this](const char* name, const char* caption, const QKeySequence& key,
                                 void (TForm1::*handler)(QObject*)) {
        TMenuItem* item = AddItem(this, mnuUnit, name, caption);
        item->setShortcut(key);
        item->SetEnabled(false);
        item->OnClick = [this, handler](QObject* s) { (this->*handler)(s); };
        return item;
    };
    mnuRead = unitItem("mnuRead", "&Прочитать", ReadKey, &TForm1::tbtnReadClick);
    mnuWrite = unitItem("mnuWrite", "&Записать", WriteKey, &TForm1::tbtnWriteClick);
    mnuUnit->addSeparator();
    mnuReadAll = unitItem("mnuReadAll", "Прочитать &всё", ReadAllKey, &TForm1::tbtnReadAllClick);
    mnuWriteAll = unitItem("mnuWriteAll", "Записать вс&ё", WriteAllKey, &TForm1::tbtnWriteAllClick);

    mnuProperties = AddMenu(MainMenu1, "mnuProperties", "&Настройки");
    mnuCommon = AddItem(this, mnuProperties, "mnuCommon", "О&бщие");
    mnuCommon->SetVisible(false);
    mnuSave = AddItem(this, mnuProperties, "mnuSave", "&Сохранить");
    mnuSave->setShortcut(SaveKey);
    mnuSave->OnClick = [this](QObject* s) { mnuSaveClick(s); };
    mnuLoad = AddItem(this, mnuProperties, "mnuLoad", "&Загрузить");
    mnuLoad->setShortcut(LoadKey);
    mnuLoad->OnClick = [this](QObject* s) { mnuLoadClick(s); };
    ChooseSettingsFile = [this](const TFileDialogSetup& setup) {
        return ExecFileDialog(setup, this);
    };
    // Saving and loading a set are file commands too: the same items,
    // with their keys, in both menus.
    mnuFile->insertAction(mnuJournal, mnuSave);
    mnuFile->insertAction(mnuJournal, mnuLoad);
    mnuFile->insertSeparator(mnuJournal);
    mnuFile->insertSeparator(mnuExit);
    N1 = AddItem(this, mnuProperties, "N1", "По &умолчанию");
    N1->OnClick = [this](QObject* s) { tbtnDefaultClick(s); };
    N2 = AddItem(this, mnuProperties, "N2", "По умолчанию &все");
    N2->OnClick = [this](QObject* s) { N2Click(s); };
    mnuVerify = AddItem(this, mnuProperties, "mnuVerify", "Проверять запись");
    // A proven write costs seconds and saves a trip back to the vehicle: on
    // unless the operator's stored choice says otherwise.
    mnuVerify->SetChecked(true);
    mnuVerify->OnClick = [this](QObject* s) { mnuVerifyClick(s); };

    mnuDebug = AddMenu(MainMenu1, "mnuDebug", "&Отладка");
    mnuMemo = AddItem(this, mnuDebug, "mnuMemo", "&Показать отладочные сообщения");
    mnuMemo->SetChecked(false);
    mnuMemo->setShortcut(MemoKey);
    mnuMemo->OnClick = [this](QObject* s) { mnuMemoClick(s); };
    mnuLog = AddItem(this, mnuDebug, "mnuLog", "&Записывать информацию в лог-файл");
    mnuLog->SetChecked(false);
    mnuLog->OnClick = [this](QObject* s) { mnuLogClick(s); };

    mnuHelp = AddMenu(MainMenu1, "mnuHelp", "По&мощь");
    mnuLegend = AddItem(this, mnuHelp, "mnuLegend", "&Обозначения");
    mnuLegend->OnClick = [this](QObject* s) { mnuLegendClick(s); };
    mnuAbout = AddItem(this, mnuHelp, "mnuAbout", "&О программе");
    mnuAbout->OnClick = [this](QObject* s) { mnuAboutClick(s); };
}

void TForm1::CreateToolBar() {
    ToolBar1 = new TToolBar(this, "ToolBar1");
    ToolBar1->SetButtonWidth(26);
    ToolBar1->setFixedHeight(28);
    tbtnConnect = AddButton(this, ToolBar1, "tbtnConnect", "Подключиться", 1);
    tbtnConnect->OnClick = [this](QObject* s) { mnuConnectClick(s); };
    tbtnDisconnect = AddButton(this, ToolBar1, "tbtnDisconnect", "Отключиться", 0);
    tbtnDisconnect->OnClick = [this](QObject* s) { tbtnDisconnectClick(s); };
    ToolBar1->AddDivider();
    tbtnRead = AddButton(this, ToolBar1, "tbtnRead", "Прочитать", 2);
    tbtnRead->OnClick = [this](QObject* s) { tbtnReadClick(s); };
    tbtnWrite = AddButton(this, ToolBar1, "tbtnWrite", "Записать", 3);
    tbtnWrite->OnClick = [this](QObject* s) { tbtnWriteClick(s); };
    ToolBar1->AddDivider();
    tbtnReadAll = AddButton(this, ToolBar1, "tbtnReadAll", "Прочитать всё", 4);
    tbtnReadAll->OnClick = [this](QObject* s) { tbtnReadAllClick(s); };
    tbtnWriteAll = AddButton(this, ToolBar1, "tbtnWriteAll", "Записать всё", 5);
    tbtnWriteAll->OnClick = [this](QObject* s) { tbtnWriteAllClick(s); };
    ToolBar1->AddDivider();
    tbtnDefault = AddButton(this, ToolBar1, "tbtnDefault", "По умолчанию", 6);
    tbtnDefault->OnClick = [this](QObject* s) { tbtnDefaultClick(s); };
    for (TToolButton* b : {tbtnDisconnect, tbtnRead, tbtnWrite, tbtnReadAll, tbtnWriteAll})
        b->SetEnabled(false);
    // Every command of the tool bar has a menu item, which holds its key.
    tbtnConnect->SetShortcut(ConnectKey, false);
    tbtnDisconnect->SetShortcut(DisconnectKey, false);
    tbtnRead->SetShortcut(ReadKey, false);
    tbtnWrite->SetShortcut(WriteKey, false);
    tbtnReadAll->SetShortcut(ReadAllKey, false);
    tbtnWriteAll->SetShortcut(WriteAllKey, false);
}

// The component order here is the order "Windows.ini" keeps the sizes in:
// Panel1, Panel3, Panel4, Panel2, tv1, mpanel.
void TForm1::CreateWorkArea() {
    Splitter1 = new TSplitter(this, "Splitter1", Qt::Vertical);
    auto* upper = new QWidget(Splitter1);

    Panel1 = new TPanel(this, "Panel1", Splitter1);
    Panel1->SetBevel(TBevelKind::None);
    Panel1->SetHeight(MemoDesignHeight);
    Panel3 = new TPanel(this, "Panel3", Panel1);
    Panel3->SetBevel(TBevelKind::None);
    Panel4 = new TPanel(this, "Panel4", Panel1);
    Panel4->SetBevel(TBevelKind::None);
    Memo1 = new TMemo(this, "Memo1", Panel4);
    Memo1->SetReadOnly(true);
    Memo1->SetVerticalScrollBar(true);
    (new QVBoxLayout(Panel4))->addWidget(Memo1);
    Panel4->layout()->setContentsMargins(0, 0, 0, 0);
    Button1 = new TButton(this, "Button1", Panel3);
    Button1->SetCaption("Очистить");
    Button1->OnClick = [this](QObject* s) { Button1Click(s); };
    auto* buttonColumn = new QVBoxLayout(Panel3);
    buttonColumn->setContentsMargins(4, 0, 4, 0);
    buttonColumn->addWidget(Button1);
    buttonColumn->addStretch(1);
    Panel3->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* memoRow = new QHBoxLayout(Panel1);
    memoRow->setContentsMargins(0, 0, 0, 0);
    memoRow->setSpacing(0);
    memoRow->addWidget(Panel4, 1);
    memoRow->addWidget(Panel3);

    Panel2 = new TPanel(this, "Panel2", upper);
    Panel2->SetBevel(TBevelKind::None);
    Panel2->SetWidth(145);
    Panel2->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    tv1 = new TTreeView(this, "tv1", Panel2);
    tv1->OnChange = [this](QObject* s) { tv1Change(s); };
    (new QVBoxLayout(Panel2))->addWidget(tv1);
    Panel2->layout()->setContentsMargins(0, 0, 0, 0);
    tv1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    for (const TPageInfo& row : PageTable())
        if (row.TreeCaption)
            tv1->AddNode(row.TreeCaption, row.Number);
    // The design width cuts "Инженерные номера" in most fonts; the panel
    // keeps at least the room for the longest entry, whatever the stored
    // layout says.
    Panel2->setMinimumWidth(tv1->ContentWidth());

    mpanel = new TPanel(this, "mpanel", upper);
    mpanel->SetBevel(TBevelKind::None);
    mpanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    auto* pages = new QGridLayout(mpanel);
    pages->setContentsMargins(0, 0, 0, 0);

    auto* row = new QHBoxLayout(upper);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(Panel2);
    row->addWidget(mpanel, 1);

    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Panel1->SetVisible(false);
}

void TForm1::CreateStatusBar() {
    StatusBar1 = new TStatusBar(this, "StatusBar1");
    // The design widths suit a small design font; a panel grows where the
    // screen's font needs more room for its caption or its usual content.
    const QFontMetrics metrics = StatusBar1->fontMetrics();
    auto width = [&](int design, std::initializer_list<const char*> texts) {
        for (const char* text : texts)
            design = std::max(design, metrics.horizontalAdvance(QStr(text)) + 12);
        return design;
    };
    StatusBar1->AddPanel("COM-порт:", width(55, {"COM-порт:", "/dev/ttyUSB0"}), Qt::AlignHCenter);
    StatusBar1->AddPanel("Телефон:", width(100, {"Телефон:", "+79000000000"}), Qt::AlignHCenter);
    StatusBar1->AddPanel("Версия прошивки:", width(100, {"Версия прошивки:", "ORBELIN REV 07.41"}),
                         Qt::AlignLeft);
    StatusBar1->AddPanel("EEPROM", 50, Qt::AlignRight, TStatusPanelStyle::OwnerDraw);
    // Wide enough for a walk's progress and how to stop it.
    StatusBar1->AddPanel("", width(100, {"Проверка 34/34 · Ctrl+D — прервать"}), Qt::AlignLeft);
}

void TForm1::CreatePages() {
    auto* grid = static_cast<QGridLayout*>(mpanel->layout());
    FPages = CreateSettingsPages(this, mpanel, &FPageServices);
    for (const TPageInfo& row : PageTable()) {
        TForm* page = row.Get(FPages);
        grid->addWidget(page, 0, 0);
        page->SetVisible(true);
        page->installEventFilter(this);
    }
    // The window shrinks no further than keeps a page usable: as wide as the
    // widest page's content, so that nothing scrolls sideways, and tall
    // enough for a few of its rows (the rest scrolls).
    int width = 0;
    for (const TPageInfo& row : PageTable())
        if (const TSettingsPage* page = row.Get(FPages); page && page->ScrollBox1->widget())
            width = std::max(width, page->ScrollBox1->widget()->minimumSizeHint().width() +
                                        page->ScrollBox1->verticalScrollBar()->sizeHint().width());
    mpanel->setMinimumSize(width, MinPageHeight);
}

void TForm1::InstallPageServices() {
    FPageServices = {
        .PostRequest =
            [this](std::uint8_t code) {
                if (!FLink->Exists())
                    return false;
                FLink->SetMode(code);
                return true;
            },
        .Describe =
            [this](int parameter) { return FDescriptions.Lookup(std::to_string(parameter)); },
    };
}

void TForm1::FormCreate() {
    SetMessageTitle(MainCaption);
    SetExceptionHandler([this](const std::string& message) {
        QMessageBox box(QMessageBox::Critical, QStr(MainCaption), QStr(message), QMessageBox::Ok,
                        isVisible() ? this : nullptr);
        box.exec();
    });

    // 1. The indicator is the status bar's first child; no hint window yet.
    FIndicator = new TShape(this, "", StatusBar1);
    FIndicator->SetHint(std::string("EEPROM: ") + EepromUntouched);
    FIndicator->SetShowHint(true);
    StatusBar1->PlaceOnPanel(3, FIndicator);
    HideParameterHint();
    FWriteState = csNone;
    FActivated = false;
    FGeneration = 0;

    FDescriptions.Load(DescriptionFile());
    LoadWindowLayout(*this);

    FOutArray = std::make_unique<TOutArray>();
    // The queue is drained when the link thread has posted, not on a clock:
    // at rest the window does nothing.
    FWake = std::make_unique<TGuiWake>([this] { Guarded(this, [this] { QueuePosted(); }); });
    FOutArray->SetWakeUp([wake = FWake.get()] { wake->Raise(); });
    FTargets.StatusPanel2 = StatusBar1->Panel(2);
    FTargets.StatusPanel4 = StatusBar1->Panel(4);
    FTargets.Form1 = this;
    FTargets.tv1 = tv1;
    FTargets.tbtnDisconnect = tbtnDisconnect;
    FTargets.DisconnectEnabled = [button = tbtnDisconnect] { return button->Enabled(); };
    FTargets.WriteState = &FWriteState;

    InstallPageServices();
    CreatePages();

    dlgSplash = new TdlgSplash(this);
    dlgConnect = new TdlgConnect(this);
    FTargets.SplashPanel2 = dlgSplash->Panel2;
    FTargets.SplashButton1 = dlgSplash->Button1;
    FLink = std::make_unique<TDeviceLink>(*FOutArray);
    FPages.StatusPanel4 = StatusBar1->Panel(4);
    FLink->SetPages(FPages);
    FLink->SetWriteEnded([receive = FJournal.Receiver(), queue = FOutArray.get()](TWriteSummary s) {
        receive(std::move(s));
        queue->WakeUp();
    });
    FLink->SetVerifyWrites(mnuVerify->Checked());

    tv1->Select(tv1->Node(0));
    tv1->FullExpand();

    // The previous session's choices and values, once every page and both
    // dialogs exist.
    Guarded(this, [this] { LoadSettingsAndTell(ProgramFolder() + CurrentSettingsFile, true); });
}

void TForm1::showEvent(QShowEvent* e) {
    TForm::showEvent(e);
    if (FShownOnce)
        return;
    FShownOnce = true;
    // Once the window is on the screen, the connection dialog greets the operator.
    QMetaObject::invokeMethod(
        this, [this] { Guarded(this, [this] { FormActivate(); }); }, Qt::QueuedConnection);
}

void TForm1::FormActivate() {
    if (FActivated)
        return;
    FActivated = true;
    if (!FStartConnect) {
        tbtnConnect->Click();
        return;
    }
    // As if the operator had confirmed the dialog: the phone goes into its list.
    dlgConnect->OKBtnClick(dlgConnect->OKBtn);
    if (ConnectAsChosen() && FStartReadAll)
        tbtnReadAllClick(tbtnReadAll);
}

void TForm1::FormDestroy() {
    if (FDestroyed)
        return;
    FDestroyed = true;
    FWake->Stop();
    // Nobody may be there to answer a message box now (a stop signal, the end
    // of the session), and its loop would hold the shutdown up: what fails
    // goes to stderr and into the log.
    SetExceptionHandler([this](const std::string& message) { ReportClosingError(message); });
    // A step that fails is reported and the later ones still run: the link
    // must stop and the log must close whatever happened to the layout.
    // The files first: a program being stopped may be ended before the
    // modem has hung up, and the settings must not be lost with it.
    Guarded(this, [this] { SaveWindowLayout(*this); });
    Guarded(this, [this] { SaveSettings(ProgramFolder() + CurrentSettingsFile); });
    // A data call is still hung up, in the time the hang-up is bounded to,
    // which a stop request's watchdog then allows. The log closes last, so
    // that a file that could not be saved is in the log too.
    TQuitOnSignals::AllowShutdown(TQuitOnSignals::ShutdownLimit + FLink->EndLimit());
    FLink->End(true);
    // A write the link was still carrying out is in the journal too.
    Guarded(this, [this] { FJournal.Flush(); });
    FLog.Stop();
    HideParameterHint();
    for (TForm* page :
         std::initializer_list<TForm*>{formAcc, formGPRS, formRecords, form_Debug, formCommon})
        delete page;
    FPages = {};
    FPageServices = {};
    SetExceptionHandler({});
    SetMessageTitle({});
}

void TForm1::ReportClosingError(const std::string& Message) {
    std::fprintf(stderr, "orbelin: %s\n", Message.c_str());
    if (!FLog.LogEnabled())
        return;
    try {
        FLog.WriteLine(DateTimeText() + "  # !!! " + Message);
    } catch (const EFileError&) {
        // The line is lost, as any log line that cannot be written; stderr has it.
    }
}

// The journal first: a message box the drain opens may stay up long. While
// this runs the wake is not watched, so such a box holds up the drain and
// the drain never re-enters itself; what is posted meanwhile raises the wake
// again and is taken once the box is closed.
void TForm1::QueuePosted() {
    FOutArray->WakeTaken();
    if (FJournal.Pending())
        Guarded(this, [this] { FJournal.Flush(); });
    if (DrainOutArray(*FOutArray, *FApplyHost) != 0)
        FLog.Flush();
}

void TForm1::RepaintStatusBar() {
    const auto show = [this](TColor colour, const char* meaning) {
        FIndicator->SetBrushColor(colour);
        FIndicator->SetHint(std::string("EEPROM: ") + meaning);
    };
    switch (WriteState()) {
    case csNone:
        show(clWhite, EepromUntouched);
        break;
    case csCommitted:
        show(clBlue, EepromSaved);
        break;
    case csFailed:
        show(clRed, EepromFailed);
        break;
    case csPartial:
        show(clYellow, EepromPartly);
        break;
    default:
        break;
    }
    StatusBar1->Repaint();
}

void TForm1::SetGeneration(std::int32_t generation) {
    FGeneration = generation;
    ShowGenerationOnPages(FPages, generation, FLink->Revision());
    if (generation < 0 || generation >= GenerationCount)
        return;
    // The pages such a unit lacks stay in the tree and can be opened, but
    // their entries are greyed.
    for (int i = 0; i < tv1->NodeCount(); ++i) {
        TTreeNode* node = tv1->Node(i);
        const TPageInfo* row = PageInfoByNumber(node->StateIndex());
        node->SetGreyed(row && row->EmptyIn(generation), ContentMissingText);
    }
}

TForm* TForm1::PageByNumber(int number) const {
    const TPageInfo* row = PageInfoByNumber(number);
    return row ? row->Get(FPages) : nullptr;
}

void TForm1::HideOtherPages(const TForm* page) {
    for (const TPageInfo& row : PageTable())
        if (TForm* other = row.Get(FPages); other && other != page)
            other->SetVisible(false);
}

void TForm1::ShowPage(TForm* page) {
    HideOtherPages(page);
    page->setGeometry(mpanel->contentsRect());
    page->Show();
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Show && !FDestroyed)
        if (auto* page = dynamic_cast<TForm*>(watched); page && page->parentWidget() == mpanel)
            PageCameToFront(page);
    return TForm::eventFilter(watched, e);
}

void TForm1::PageCameToFront(TForm* page) {
    HideOtherPages(page);
    for (int i = 0; i < tv1->NodeCount(); ++i) {
        TTreeNode* node = tv1->Node(i);
        if (PageByNumber(node->StateIndex()) != page || tv1->Selected() == node)
            continue;
        FFollowingPage = true;
        tv1->Select(node);
        FFollowingPage = false;
        HideParameterHint();
    }
}

void TForm1::tv1Change(QObject*) {
    TForm* page = PageByNumber(SelectedPageNumber());
    if (!page || FFollowingPage)
        return;
    // The hint's links act on the current page: a hint left over from the
    // page before would mark a parameter no read or write then looks at.
    HideParameterHint();
    ShowPage(page);
    FLink->SetCurrentPage(page);
}

int TForm1::SelectedPageNumber() const {
    const TTreeNode* node = tv1->Selected();
    return node ? node->StateIndex() : 0;
}

void TForm1::ApplyMemoHeight() {
    const int height = Panel1->Height();
    const int total = Splitter1->height();
    if (total > height)
        Splitter1->setSizes({total - height, height});
}

void TForm1::mnuMemoClick(QObject*) {
    const bool show = !Panel1->Visible();
    Panel1->SetVisible(show); // the splitter's handle shows and hides with it
    mnuMemo->SetChecked(show);
    if (show)
        ApplyMemoHeight();
}

void TForm1::Button1Click(QObject*) {
    Memo1->Clear();
}

void TForm1::mnuLogClick(QObject*) {
    if (FLog.LogEnabled()) {
        FLog.Stop();
        mnuLog->SetChecked(false);
    } else if (FLog.Start(ProgramFolder() + "log.txt")) {
        mnuLog->SetChecked(true);
    }
}

void TForm1::mnuVerifyClick(QObject*) {
    const bool on = !mnuVerify->Checked();
    mnuVerify->SetChecked(on);
    FLink->SetVerifyWrites(on);
}

TSettingsTargets TForm1::SettingsTargets(bool OwnFile) const {
    return {.dlgConnect = dlgConnect,
            .mnuMemo = mnuMemo,
            .mnuLog = mnuLog,
            .Pages = FPages,
            .mnuVerify = mnuVerify,
            .OwnFile = OwnFile};
}

TSettingsLoadReport TForm1::LoadSettings(const std::string& FileName, bool OwnFile) {
    return ::LoadSettings(FileName, SettingsTargets(OwnFile));
}

void TForm1::LoadSettingsAndTell(const std::string& FileName, bool OwnFile) {
    const TSettingsLoadReport report = LoadSettings(FileName, OwnFile);
    if (!OwnFile)
        FJournal.SetSetFile(FileName);
    if (report.Empty())
        return;
    QMessageBox box(QMessageBox::Warning, QStr(MainCaption), QStr(report.Text(FileName)),
                    QMessageBox::Ok, isVisible() ? this : nullptr);
    box.exec();
}

void TForm1::SaveSettings(const std::string& FileName) {
    ::SaveSettings(FileName, SettingsTargets());
}

void TForm1::mnuSaveClick(QObject*) {
    if (const auto file = ChooseSettingsFile(SettingsSaveDialog(ProgramFolder())))
        SaveSettings(*file);
}

void TForm1::mnuLoadClick(QObject*) {
    if (const auto file = ChooseSettingsFile(SettingsOpenDialog(ProgramFolder())))
        LoadSettingsAndTell(*file);
}

void TForm1::mnuAboutClick(QObject*) {
    // One line break between the lines: a CR after the LF, as a native
    // message box would swallow it, shows here as a blank line.
    std::string text = Caption();
    for (const char* line : AboutLines)
        text += std::string("\n") + line;
    QMessageBox box(QMessageBox::Information, QStr(MainCaption), QStr(text), QMessageBox::Ok, this);
    box.exec();
}

std::string TForm1::LegendText() {
    return std::string("Подписи параметров:\n"
                       "• синие — значение прочитано из блока или записано в него;\n"
                       "• красные — прочитать или записать значение не удалось;\n"
                       "• жирные подчёркнутые (у флажков — «!») — значение изменено и ещё "
                       "не записано в блок.\n\n"
                       "Индикатор EEPROM в строке состояния:\n"
                       "• белый — ") +
           EepromUntouched + ";\n• синий — " + EepromSaved + ";\n• красный — " + EepromFailed +
           ";\n• жёлтый — " + EepromPartly +
           ".\n\nСтраница «Флаги»: зелёный кружок — состояние или событие есть, белый — "
           "нет, красный — прочитать не удалось.";
}

void TForm1::mnuLegendClick(QObject*) {
    QMessageBox box(QMessageBox::Information, QStr(MainCaption), QStr(LegendText()),
                    QMessageBox::Ok, this);
    box.exec();
}

void TForm1::mnuJournalClick(QObject*) {
    TdlgJournal journal(this, JournalFile(), FPages, KnownObjectNumber(FPages));
    journal.ShowModal();
}

void TForm1::mnuExitClick(QObject*) {
    close();
}
