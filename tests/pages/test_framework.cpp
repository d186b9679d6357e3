#include <gtest/gtest.h>

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <algorithm>
#include <map>
#include <stdexcept>
#include <thread>

#include "PageTestSupport.h"
#include "Sanitizers.h"
#include "pages/PageOps.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_Records.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "params/ParamTable.h"

namespace {
std::vector<std::string> Names(const TRefValues& table) {
    std::vector<std::string> names;
    for (const std::string& line : table.Lines())
        names.push_back(line.substr(0, line.find('=')));
    return names;
}
} // namespace

TEST(RefValues, BlankEntriesReadEmptyButExistAndTheEmptyValueRemoves) {
    TRefValues table;
    table.AddBlank("etPhone1");
    EXPECT_EQ(table.Lines(), (std::vector<std::string>{"etPhone1= "}));
    EXPECT_EQ(table.Get("etPhone1"), "");
    EXPECT_TRUE(table.Contains("etPhone1"));
    EXPECT_EQ(table.Find("ETPHONE1"), " ");

    table.Set("etphone1", "  9000000000 ");
    EXPECT_EQ(table.Get("etPhone1"), "9000000000");
    EXPECT_EQ(table.Count(), 1u);
    table.Set("etPhone2", "x");
    table.Set("etPhone1", "");
    EXPECT_FALSE(table.Contains("etPhone1"));
    EXPECT_EQ(table.Get("etPhone1"), "");
    EXPECT_EQ(table.Lines(), (std::vector<std::string>{"etPhone2=x"}));
    EXPECT_EQ(table.Get("missing"), "");
}

TEST(RefValues, LinkThreadWritesWhileTheScreenCompares) {
    TformCommon page;
    page.FWasRead = true;
    std::thread device([&] {
        for (int i = 0; i < 2000; ++i) {
            page.FRefValues.Set("etLat", std::to_string(i % 7));
            page.FWasWritten = (i % 2) == 0;
            RestoreParameterTags(&page);
        }
    });
    for (int i = 0; i < 2000; ++i)
        page.etLat->SetText(std::to_string(i % 5));
    device.join();
    // Whatever the last comparison saw, the next edits are judged afresh
    // against the value the link thread left.
    page.FRefValues.Set("etLat", "4");
    page.etLat->SetText("6");
    EXPECT_TRUE(IsMarked(page.etLat));
    page.etLat->SetText("4");
    EXPECT_FALSE(IsMarked(page.etLat));
}

// A page whose header names a field wrongly.
class TMisnamedPage : public TParamPage {
public:
    TMisnamedPage() : TParamPage(nullptr, "formMisnamed", nullptr) {}
    TLabel *lbetNoSuchField = nullptr, *lbseACCCheckTime = nullptr, *lbetObjNum = nullptr;
    TEdit *etNoSuchField = nullptr, *seACCCheckTime = nullptr;
    TCheckBox* etObjNum = nullptr;
    void AddUnknown() { AddFields(pgCommon, {PARAM_FIELD(etNoSuchField)}, this); }
    void AddOtherPages() { AddFields(pgGPRS, {PARAM_FIELD(seACCCheckTime)}, this); }
    void AddEditForSpin() { AddFields(pgAcc, {PARAM_FIELD(seACCCheckTime)}, this); }
    void AddBoxForEdit() { AddFields(pgCommon, {PARAM_FIELD(etObjNum)}, this); }
};

TEST(PageCreation, AFieldTheTableDoesNotHaveAsNamedFailsAtOnce) {
    TMisnamedPage page;
    EXPECT_THROW(page.AddUnknown(), std::logic_error);
    EXPECT_THROW(page.AddOtherPages(), std::logic_error) << "another page's row";
    EXPECT_THROW(page.AddEditForSpin(), std::logic_error)
        << "an edit where the row has a spin edit";
    EXPECT_THROW(page.AddBoxForEdit(), std::logic_error) << "a box where the row has an edit";
    EXPECT_EQ(page.seACCCheckTime, nullptr);
}

TEST(PageCreation, EachPageEntersItsKindsOfControlsInCreationOrder) {
    TformCommon common;
    EXPECT_EQ(Names(common.FRefValues),
              (std::vector<std::string>{"etObjNum", "etPhone", "etLat", "etLon", "etGPSrestartt",
                                        "etGPSpostime", "etModemCheckt", "etModemTryes"}));
    for (const std::string& line : common.FRefValues.Lines())
        EXPECT_EQ(line.substr(line.size() - 2), "= ");

    TformGPRS gprs;
    EXPECT_EQ(Names(gprs.FRefValues),
              (std::vector<std::string>{"cbGPRS", "etGPRSphone", "etAccessPoint", "etLoginGPRS",
                                        "etPswdGPRS", "etIp", "etPort", "etPswd", "etGPRSTryes",
                                        "etGPRSTimeout", "etServerTryes", "etServerTimeout"}));
    TformGPS gps;
    EXPECT_EQ(Names(gps.FRefValues), (std::vector<std::string>{"cbGPSOff", "cbGPSDebug"}));
    TformAcc acc;
    EXPECT_EQ(Names(acc.FRefValues), (std::vector<std::string>{"seACCCheckTime", "cbAccTest"}));
    TformPhones phones; // the switch-off box has no parameter of its own
    EXPECT_EQ(
        Names(phones.FRefValues),
        (std::vector<std::string>{"etPhone1", "etPhone2", "etPhone3", "etPhone4", "etPhone5"}));
    TformInOut inout;
    const std::vector<std::string> io = Names(inout.FRefValues);
    ASSERT_EQ(io.size(), 25u);
    EXPECT_EQ(std::vector<std::string>(io.begin(), io.begin() + 4),
              (std::vector<std::string>{"CheckBox3", "Edit1", "CheckBox4", "Edit2"}));
    EXPECT_EQ(std::vector<std::string>(io.end() - 5, io.end()),
              (std::vector<std::string>{"RadioButton1", "RadioButton2", "RadioButton3", "CheckBox2",
                                        "CheckBox1"}));

    for (const TParamPage* p :
         std::initializer_list<const TParamPage*>{&common, &gprs, &gps, &acc, &phones, &inout}) {
        EXPECT_FALSE(p->FWasRead);
        EXPECT_FALSE(p->FWasWritten);
    }
    // Every control is found by its name on its page.
    EXPECT_EQ(common.FindComponent("etModemTryes"), common.etModemTryes);
    EXPECT_EQ(inout.FindComponent("lbrb3"), inout.lbrb3);
    EXPECT_EQ(gprs.FindComponent("lbcb"), gprs.lbcb);
}

TEST(Marking, OnlyWhileThePageWasReadOrWrittenAndAgainstTheReadValue) {
    TformCommon page;
    // Never read: typing changes no fonts.
    page.etLat->SetText("1");
    EXPECT_FALSE(IsMarked(page.etLat));

    // After a read: away from the read value and back.
    page.FRefValues.Set("etLat", "230");
    page.etLat->SetText("230");
    page.FWasRead = true;
    page.etLat->selectAll();
    TypeText(page.etLat, "231");
    EXPECT_TRUE(IsMarked(page.etLat));
    PressKey(page.etLat, Qt::Key_Backspace, "\b");
    TypeText(page.etLat, "0");
    EXPECT_EQ(page.etLat->Text(), "230");
    EXPECT_FALSE(IsMarked(page.etLat));

    // Blanks around either side do not count.
    page.etLat->SetText(" 230 ");
    EXPECT_FALSE(IsMarked(page.etLat));

    // After a write only.
    page.FWasRead = false;
    page.FWasWritten = true;
    page.etLon->SetText("300");
    EXPECT_TRUE(IsMarked(page.etLon)); // its entry is still the creation-time blank
    page.etLon->SetText("");
    EXPECT_FALSE(IsMarked(page.etLon));
}

TEST(Marking, CheckBoxesShowAnExclamationAfterTheClickThatToggledThem) {
    TformGPRS page;
    page.show();
    // Never read: clicking marks nothing.
    ClickBox(page.cbGPRS);
    EXPECT_TRUE(page.cbGPRS->Checked());
    EXPECT_EQ(page.cbGPRS->Caption(), "");

    page.FRefValues.Set("cbGPRS", "true");
    page.FWasRead = true;
    ClickBox(page.cbGPRS);
    EXPECT_FALSE(page.cbGPRS->Checked());
    EXPECT_EQ(page.cbGPRS->Caption(), "!");
    EXPECT_TRUE(IsMarked(page.cbGPRS));
    ClickBox(page.cbGPRS);
    EXPECT_EQ(page.cbGPRS->Caption(), "");
    EXPECT_FALSE(IsMarked(page.cbGPRS));

    // A box whose entry was never read is changed in either state.
    page.FRefValues.AddBlank("cbGPRS");
    ClickBox(page.cbGPRS);
    EXPECT_EQ(page.cbGPRS->Caption(), "!");
    ClickBox(page.cbGPRS);
    EXPECT_EQ(page.cbGPRS->Caption(), "!");

    // Setting the box from code (a value read from the unit) does not mark it.
    ResetChangeMarks(&page);
    page.cbGPRS->SetChecked(!page.cbGPRS->Checked());
    EXPECT_EQ(page.cbGPRS->Caption(), "");
}

TEST(PageClear, EmptiesEditsUnchecksBoxesAndResetsEveryLabelButKeepsRadioAndSpinValues) {
    TformInOut inout;
    inout.FWasRead = true;
    inout.lbVost->SetFontColor(clRed);
    inout.lbrb1->SetFontStyle(fsBold);
    inout.Edit3->SetText("123");
    inout.CheckBox5->SetChecked(true);
    MarkChanged(inout.CheckBox5, inout.FRefValues);
    inout.RadioButton2->SetChecked(true);
    MarkChanged(inout.RadioButton2, inout.FRefValues);
    ASSERT_EQ(inout.RadioButton2->Caption(), "!");

    inout.FWasRead = false;
    ClearPageValues(&inout);
    EXPECT_EQ(FontColorOf(inout.lbVost), FontColorOf(inout.lbSrab));
    EXPECT_FALSE(inout.lbrb1->font().bold());
    EXPECT_EQ(inout.Edit3->Text(), "");
    EXPECT_FALSE(inout.CheckBox5->Checked());
    EXPECT_EQ(inout.CheckBox5->Caption(), "");
    EXPECT_FALSE(IsMarked(inout.CheckBox5));
    EXPECT_TRUE(inout.RadioButton2->Checked());
    EXPECT_EQ(inout.RadioButton2->Caption(), "");
    EXPECT_FALSE(IsMarked(inout.RadioButton2));

    TformAcc acc;
    acc.seACCCheckTime->SetValue(17);
    acc.seACCCheckTime->SetFontStyle(fsBold | fsUnderline);
    ClearPageValues(&acc);
    EXPECT_EQ(acc.seACCCheckTime->Value(), 17);
    EXPECT_FALSE(IsMarked(acc.seACCCheckTime));
    EXPECT_FALSE(acc.cbAccTest->Checked());

    // A box with a caption of its own keeps it.
    TformPhones phones;
    ClearPageValues(&phones);
    EXPECT_EQ(phones.cbPhonesOff->Caption(), "Отключить инженерные номера");
}

TEST(PageClear, ResetChangeMarksKeepsEveryValue) {
    TformGPRS page;
    page.FWasRead = true;
    page.etIp->SetText("192.0.2.7");
    page.cbGPRS->SetChecked(true);
    MarkChanged(page.cbGPRS, page.FRefValues);
    page.lbetIp->SetFontColor(clBlue);
    ResetChangeMarks(&page);
    EXPECT_EQ(page.etIp->Text(), "192.0.2.7");
    EXPECT_FALSE(IsMarked(page.etIp));
    EXPECT_TRUE(page.cbGPRS->Checked());
    EXPECT_EQ(page.cbGPRS->Caption(), "");
    EXPECT_EQ(FontColorOf(page.lbetIp), FontColorOf(page.lbetPort));
}

TEST(Defaults, EveryParameterPageTakesTheValuesInItsHints) {
    TformCommon common;
    ClearPageValues(&common);
    SetPageDefaults(&common);
    EXPECT_EQ(common.etObjNum->Text(), "0050");
    EXPECT_EQ(common.etPhone->Text().size(), 12u);
    EXPECT_EQ(common.etPhone->Text().substr(0, 2), "+7");
    EXPECT_EQ(common.etLat->Text(), "230");
    EXPECT_EQ(common.etLon->Text(), "300");
    EXPECT_EQ(common.etGPSrestartt->Text(), "5");
    EXPECT_EQ(common.etGPSpostime->Text(), "3");
    EXPECT_EQ(common.etModemCheckt->Text(), "6");
    EXPECT_EQ(common.etModemTryes->Text(), "3");

    TformGPRS gprs;
    gprs.cbGPRS->SetChecked(true);
    SetPageDefaults(&gprs);
    EXPECT_FALSE(gprs.cbGPRS->Checked());
    EXPECT_EQ(gprs.etGPRSphone->Text(), "*99#");
    EXPECT_EQ(gprs.etLoginGPRS->Text(), "internet");
    EXPECT_EQ(gprs.etPswdGPRS->Text(), "mirovaze");
    EXPECT_EQ(gprs.etPort->Text(), "3055");
    EXPECT_EQ(gprs.etPswd->Text(), "KlenBrod");
    EXPECT_EQ(gprs.etGPRSTryes->Text(), "10");
    EXPECT_EQ(gprs.etGPRSTimeout->Text(), "3");
    EXPECT_EQ(gprs.etServerTryes->Text(), "5");
    EXPECT_EQ(gprs.etServerTimeout->Text(), "3");
    EXPECT_NE(gprs.lbetAccessPoint->Caption().find(gprs.etAccessPoint->Text()), std::string::npos);
    const std::string ip = gprs.etIp->Text();
    EXPECT_EQ(std::count(ip.begin(), ip.end(), '.'), 3);

    TformGPS gps;
    gps.cbGPSOff->SetChecked(true);
    gps.cbGPSDebug->SetChecked(true);
    SetPageDefaults(&gps);
    EXPECT_FALSE(gps.cbGPSOff->Checked());
    EXPECT_FALSE(gps.cbGPSDebug->Checked());

    TformAcc acc;
    acc.seACCCheckTime->SetValue(20);
    acc.cbAccTest->SetChecked(false);
    SetPageDefaults(&acc);
    EXPECT_EQ(acc.seACCCheckTime->Value(), 3);
    EXPECT_TRUE(acc.cbAccTest->Checked());

    TformPhones phones;
    phones.cbPhonesOff->SetChecked(false);
    SetPageDefaults(&phones);
    EXPECT_TRUE(phones.cbPhonesOff->Checked());
    for (int i = 0; i < TformPhones::NumberCount; ++i)
        EXPECT_EQ(phones.Phone(i)->Text(),
                  phones.lbRule1->Caption().substr(phones.lbRule1->Caption().size() - 10));
}

TEST(Defaults, EditsAreMarkedLikeTypedValuesButBoxesAreNot) {
    TformGPS gps;
    gps.FWasRead = true;
    gps.FRefValues.Set("cbGPSOff", "true");
    gps.cbGPSOff->SetChecked(true);
    SetPageDefaults(&gps);
    EXPECT_FALSE(gps.cbGPSOff->Checked());
    EXPECT_EQ(gps.cbGPSOff->Caption(), "");

    TformCommon common;
    common.FRefValues.Set("etLat", "200");
    common.FRefValues.Set("etLon", "300");
    common.etLat->SetText("200");
    common.etLon->SetText("300");
    common.FWasRead = true;
    SetPageDefaults(&common);
    EXPECT_TRUE(IsMarked(common.etLat));
    EXPECT_FALSE(IsMarked(common.etLon));
}

TEST(Tags, RestoringRemovesOnlyTheSingleParameterMarks) {
    TformInOut page;
    page.CheckBox5->SetTag(1027);
    page.RadioButton2->SetTag(2029);
    page.CheckBox11->SetTag(28);
    std::thread device([&] { RestoreParameterTags(&page); });
    device.join();
    EXPECT_EQ(page.CheckBox5->Tag(), 27);
    EXPECT_EQ(page.RadioButton2->Tag(), 29);
    EXPECT_EQ(page.CheckBox11->Tag(), 28);
    EXPECT_FALSE(HasParameterMark(page.CheckBox5->Tag()));
    EXPECT_TRUE(HasParameterMark(1027));
}

TEST(Filters, LettersNeverReachNumericFieldsAndPlusOnlyThePhone) {
    TformCommon page;
    TEdit* digitFields[] = {page.etObjNum,      page.etLat,        page.etLon,
                            page.etGPSrestartt, page.etGPSpostime, page.etModemCheckt,
                            page.etModemTryes};
    for (TEdit* field : digitFields) {
        TypeText(field, "a+1");
        EXPECT_EQ(field->Text(), "1") << field->Name();
    }
    // The fix interval takes any single digit, 0 included.
    page.etGPSpostime->SetText("");
    TypeText(page.etGPSpostime, "09");
    EXPECT_EQ(page.etGPSpostime->Text(), "0");

    TypeText(page.etPhone, "7+x9");
    page.etPhone->setCursorPosition(0);
    TypeText(page.etPhone, "+");
    EXPECT_EQ(page.etPhone->Text(), "+7+9");

    // Pasted text still arrives and still counts as a change.
    page.FWasRead = true;
    page.etObjNum->SetText("");
    QGuiApplication::clipboard()->setText("12ab");
    page.etObjNum->paste();
    EXPECT_EQ(page.etObjNum->Text(), "12ab");
    EXPECT_TRUE(IsMarked(page.etObjNum));
}

// Rectangles in failure messages.
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace {

// The page area of the main window at its design size, 817 x 622: what the
// page tree (as wide as its longest entry) leaves beside it, and the menu
// bar, the tool bar and the status bar above and below it.
QSize DesignPageArea() {
    TForm owner(nullptr, "Form1");
    auto* tree = new TTreeView(&owner, "tv1");
    tree->AddNode("Инженерные номера", 6);
    QMenuBar menu;
    menu.addMenu("&Файл");
    auto* status = new TStatusBar(&owner, "StatusBar1");
    status->AddPanel("COM-порт:", 55, Qt::AlignHCenter);
    constexpr int ToolBarHeight = 28;
    constexpr int TreeGap = 2;
    return QSize(817 - tree->ContentWidth() - TreeGap,
                 622 - menu.sizeHint().height() - ToolBarHeight - status->sizeHint().height());
}

// Every control a page shows (the parts inside a spin edit or a memo aside),
// and where, relative to the page.
std::map<const QWidget*, QRect> Placement(const QWidget* page) {
    std::map<const QWidget*, QRect> where;
    for (QWidget* w : page->findChildren<QWidget*>())
        if (w->isVisibleTo(page) && (ComponentInfoOf(w) || qobject_cast<QLabel*>(w)))
            where[w] = QRect(w->mapTo(page, QPoint(0, 0)), w->size());
    return where;
}

std::string Describe(QWidget* w) {
    const TComponentInfo* info = ComponentInfoOf(w);
    const auto* label = qobject_cast<const QLabel*>(w);
    return std::string(w->metaObject()->className()) + " " + (info ? info->Name() : "") +
           (label ? " \"" + label->text().toStdString() + "\"" : "");
}

// Marks every value control of the page as changed: bold and underlined, and
// "!" on the boxes.
void MarkEverything(QWidget* page) {
    // By C++ type: Qt's own casts take any line edit for a TEdit.
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (auto* edit = dynamic_cast<TEdit*>(w))
            edit->SetFontStyle(fsBold | fsUnderline);
        else if (auto* spin = dynamic_cast<TSpinEdit*>(w))
            spin->SetFontStyle(fsBold | fsUnderline);
        else if (auto* box = dynamic_cast<TCheckBox*>(w); box && box->Caption().empty()) {
            box->SetFontStyle(fsBold | fsUnderline);
            box->SetCaption("!");
        } else if (auto* radio = dynamic_cast<TRadioButton*>(w)) {
            radio->SetFontStyle(fsBold | fsUnderline);
            radio->SetCaption("!");
        }
    }
}

// Lets the layouts settle: a word-wrapped caption can take a second pass.
void Settle() {
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

// What a page shows for a unit generation, as the main window sets it.
struct TGenerationView {
    int Generation;
    bool Phones, Flags, Battery, Gps, FullInOut;
    int Revision;
};

} // namespace

// In the main window at its design size every page, for every unit
// generation, shows all it has without scrolling and without squeezing or
// cutting anything; a page the generation leaves empty says so. Marking
// values as changed moves nothing.
TEST(PageCreation, EveryPageFitsThePageAreaAtTheDesignSizeForEveryGeneration) {
#ifdef ORB_THREAD_SANITIZER
    GTEST_SKIP() << "Qt paints the shown pages with pool threads ThreadSanitizer cannot follow";
#endif
    const QSize area = DesignPageArea();
    const TGenerationView views[] = {{0, true, true, true, true, true, 41},
                                     {0, true, true, true, true, true, 37},
                                     {1, false, false, false, false, false, 41},
                                     {2, false, true, true, false, true, 41}};
    for (const TGenerationView& view : views) {
        QWidget host;
        host.resize(area);
        auto* grid = new QGridLayout(&host);
        grid->setContentsMargins(0, 0, 0, 0);
        auto* common = new TformCommon(nullptr, &host);
        auto* gprs = new TformGPRS(nullptr, &host);
        auto* gps = new TformGPS(nullptr, &host);
        auto* acc = new TformAcc(nullptr, &host);
        auto* phones = new TformPhones(nullptr, &host);
        auto* inout = new TformInOut(nullptr, &host);
        auto* flags = new TformFlags(nullptr, &host);
        auto* records = new TformRecords(nullptr, &host);
        auto* console = new Tform_Debug(nullptr, &host);
        phones->SetContentVisible(view.Phones);
        flags->SetContentVisible(view.Flags);
        acc->SetContentVisible(view.Battery);
        gps->SetContentVisible(view.Gps);
        inout->ApplyGeneration(view.FullInOut, view.Revision);
        const std::pair<TSettingsPage*, bool> pages[] = {
            {common, true},      {gprs, true},          {gps, view.Gps},
            {acc, view.Battery}, {phones, view.Phones}, {inout, true},
            {flags, view.Flags}, {records, true},       {console, true}};
        host.show();
        for (const auto& [page, hasContent] : pages) {
            const std::string what =
                page->Name() + ", generation " + std::to_string(view.Generation);
            for (const auto& [other, unused] : pages)
                other->setVisible(other == page);
            grid->addWidget(page, 0, 0);
            Settle();
            ASSERT_EQ(page->size(), area) << what;

            // An empty page holds one line that says why, and nothing to scroll.
            EXPECT_EQ(page->EmptyNoteShown(), !hasContent) << what;
            EXPECT_EQ(page->ScrollBox1->isVisibleTo(page), hasContent) << what;
            if (!hasContent)
                continue;
            const QScrollArea* box = page->ScrollBox1;
            EXPECT_EQ(box->horizontalScrollBar()->maximum(), 0) << what;
            EXPECT_EQ(box->verticalScrollBar()->maximum(), 0) << what;
            const QRect viewport(box->viewport()->mapTo(page, QPoint(0, 0)),
                                 box->viewport()->size());
            for (const auto& [w, rect] : Placement(box->widget())) {
                const std::string name = what + " " + Describe(const_cast<QWidget*>(w));
                EXPECT_TRUE(viewport.contains(rect))
                    << name << " at " << testing::PrintToString(rect) << " outside "
                    << testing::PrintToString(viewport);
                const QSize least = w->minimumSizeHint();
                if (least.isValid() && w->sizePolicy().horizontalPolicy() != QSizePolicy::Ignored) {
                    EXPECT_GE(w->width(), least.width()) << name;
                }
                if (least.isValid() && w->sizePolicy().verticalPolicy() != QSizePolicy::Ignored) {
                    EXPECT_GE(w->height(), least.height()) << name;
                }
                if (const auto* label = qobject_cast<const QLabel*>(w);
                    label && label->wordWrap()) {
                    EXPECT_GE(label->height(), label->heightForWidth(label->width())) << name;
                }
            }

            const auto before = Placement(page);
            MarkEverything(page);
            Settle();
            for (const auto& [w, rect] : Placement(page)) {
                EXPECT_EQ(rect, before.at(w))
                    << what << ": marking moved " << Describe(const_cast<QWidget*>(w));
            }
        }
    }
}
