#include <gtest/gtest.h>

#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>

#include "PageTestSupport.h"
#include "Sanitizers.h"
#include "pages/HintWindow.h"
#include "pages/PageOps.h"
#include "pages/f_GPRS.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "queue/Protocol.h"

namespace {
const std::map<int, std::string> Descriptions = {
    {1, "Номер объекта в системе"}, {2, "Телефон тревог"}, {3, "Широта"}, {27, "Входы"}};
}

TEST(HintWindow, ShownBesideTheControlReplacedByAnotherAndClosedOverTheBackground) {
    TFakeLink link(Descriptions);
    TformCommon page;
    link.Serve(page);
    page.resize(700, 400);
    page.show();
    ASSERT_EQ(ParamHintWindow(), nullptr);

    MoveMouse(page.etObjNum, QPoint(3, 3));
    QPointer<TParamHintWindow> first = ParamHintWindow();
    ASSERT_TRUE(first);
    EXPECT_EQ(HintControl(), page.etObjNum);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->Form()->Label2->Caption(), ": 0050");
    EXPECT_EQ(first->Form()->lbDisc->Caption(), "Номер объекта в системе");
    EXPECT_EQ(first->Form()->Name(), "HintF");
    const QPoint origin = page.etObjNum->mapToGlobal(QPoint(0, 0));
    // The design height; the design width, or what the links with their
    // keys and the default need.
    EXPECT_EQ(first->geometry().topLeft(),
              QPoint(origin.x() + page.etObjNum->width() - 5, origin.y()));
    EXPECT_EQ(first->height(), 202);
    EXPECT_GE(first->width(), 181);
    for (const TLabel* words : {first->Form()->lbRead, first->Form()->lbWrite})
        EXPECT_GE(words->width(), words->sizeHint().width()) << words->Caption();

    // Over the same control, and over the popup itself: it stays.
    MoveMouse(page.etObjNum, QPoint(10, 4));
    MoveMouse(first->Form()->lbRead, QPoint(2, 2));
    EXPECT_EQ(ParamHintWindow(), first.data());

    // Another value control replaces it.
    MoveMouse(page.etLat, QPoint(3, 3));
    EXPECT_TRUE(first.isNull());
    ASSERT_NE(ParamHintWindow(), nullptr);
    EXPECT_EQ(HintControl(), page.etLat);
    EXPECT_EQ(ParamHintWindow()->Form()->Label2->Caption(), ": 230");
    EXPECT_EQ(ParamHintWindow()->Form()->lbDisc->Caption(), "Широта");

    // The page background closes it; closing twice is harmless.
    MoveMouse(page.GroupBox2, QPoint(page.GroupBox2->width() - 2, page.GroupBox2->height() - 2));
    EXPECT_EQ(ParamHintWindow(), nullptr);
    EXPECT_EQ(HintControl(), nullptr);
    HideParameterHint();

    // A parameter without a description leaves the area empty.
    ShowParameterHint(page.etLon, link.Services);
    EXPECT_EQ(ParamHintWindow()->Form()->lbDisc->Caption(), "");
    HideParameterHint();
}

// A long description (or default) grows the popup from its place to the
// right and down, wrapped; beyond the largest size the description scrolls,
// never sideways, and the links stay whole.
TEST(HintWindow, GrowsForLongTextsFromItsPlaceThenScrolls) {
#ifdef ORB_THREAD_SANITIZER
    GTEST_SKIP() << "Qt paints the shown window with pool threads ThreadSanitizer cannot follow";
#endif
    std::string sentence;
    for (int i = 0; i < 12; ++i)
        sentence += "смещение по широте в шагах устройства ";
    TFakeLink link({{3, sentence}, {4, sentence + sentence + sentence + sentence}});
    TformCommon page;
    link.Serve(page);
    page.show();
    for (TEdit* field : {page.etLat, page.etLon}) {
        ShowParameterHint(field, link.Services);
        TParamHintWindow* window = ParamHintWindow();
        ASSERT_NE(window, nullptr);
        QApplication::processEvents();
        const QPoint origin = field->mapToGlobal(QPoint(0, 0));
        EXPECT_EQ(window->pos(), QPoint(origin.x() + field->width() - 5, origin.y()));
        EXPECT_GT(window->width(), HintWindowWidth);
        EXPECT_LE(window->width(), HintWindowMaxWidth);
        EXPECT_GT(window->height(), HintWindowHeight);
        EXPECT_LE(window->height(), HintWindowMaxHeight);

        const THintF* form = window->Form();
        const QScrollArea* box = form->ScrollBox1;
        EXPECT_EQ(box->horizontalScrollBar()->maximum(), 0) << field->Name();
        EXPECT_EQ(box->verticalScrollBar()->maximum() > 0, field == page.etLon) << field->Name();
        const QRect view = box->viewport()->rect();
        for (const QWidget* label : {form->lbRead, form->lbWrite, form->lbDefault, form->Label2})
            EXPECT_TRUE(
                view.contains(QRect(label->mapTo(box->viewport(), QPoint(0, 0)), label->size())))
                << field->Name() << " " << label->objectName().toStdString();
        EXPECT_GE(form->lbDisc->height(), form->lbDisc->heightForWidth(form->lbDisc->width()));
        EXPECT_LE(form->lbDisc->width(), view.width());
    }

    // The alarm number's default runs past "По умолчанию" in the design width.
    ShowParameterHint(page.etPhone, link.Services);
    QApplication::processEvents();
    const THintF* form = ParamHintWindow()->Form();
    const QWidget* viewport = form->ScrollBox1->viewport();
    EXPECT_TRUE(viewport->rect().contains(
        QRect(form->Label2->mapTo(viewport, QPoint(0, 0)), form->Label2->size())));
    EXPECT_GE(form->Label2->width(), form->Label2->sizeHint().width());
    HideParameterHint();
}

TEST(HintWindow, IsATopmostPopupThatLeavesTheFocusAlone) {
    TFakeLink link(Descriptions);
    TformGPRS page;
    link.Serve(page);
    page.show();
    page.activateWindow();
    page.etIp->setFocus();
    ShowParameterHint(page.etIp, link.Services);
    TParamHintWindow* window = ParamHintWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowType(), Qt::ToolTip);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(window->isActiveWindow());
    EXPECT_NE(QApplication::focusWidget(), window);
    // Check boxes have hints too; their default reads "true"/"false".
    ShowParameterHint(page.cbGPRS, link.Services);
    EXPECT_EQ(ParamHintWindow()->Form()->Label2->Caption(), ": false");
    HideParameterHint();
}

TEST(HintWindow, GoesAwayWithItsControl) {
    TFakeLink link;
    auto* page = new TformCommon;
    link.Serve(*page);
    ShowParameterHint(page->etPhone, link.Services);
    ASSERT_NE(ParamHintWindow(), nullptr);
    delete page;
    EXPECT_EQ(ParamHintWindow(), nullptr);
    EXPECT_EQ(HintControl(), nullptr);
    HideParameterHint();
}

TEST(HintLinks, ReadAndWriteMarkTheTagOnlyWhileALinkThreadExists) {
    TFakeLink link(Descriptions);
    TformCommon page;
    link.Serve(page);
    page.show();
    ShowParameterHint(page.etLat, link.Services);
    THintF* hint = ParamHintWindow()->Form();

    ClickMouse(hint->lbRead, QPoint(2, 2));
    ClickMouse(hint->lbWrite, QPoint(2, 2));
    EXPECT_TRUE(link.Posted.empty());
    EXPECT_EQ(page.etLat->Tag(), 3);

    link.Exists = true;
    std::vector<int> tagsSeen;
    link.OnPost = [&](std::uint8_t) { tagsSeen.push_back(page.etLat->Tag()); };
    ClickMouse(hint->lbRead, QPoint(2, 2));
    EXPECT_EQ(link.Posted, (std::vector<std::uint8_t>{rqReadParam}));
    EXPECT_EQ(tagsSeen, (std::vector<int>{1003}));
    EXPECT_EQ(page.etObjNum->Tag(), 1);
    // The description still belongs to the parameter while its request is pending.
    HideParameterHint();
    ShowParameterHint(page.etLat, link.Services);
    EXPECT_EQ(ParamHintWindow()->Form()->lbDisc->Caption(), "Широта");

    RestoreParameterTags(&page);
    // Its key, as the link shows it, while the popup is up; none after.
    EXPECT_EQ(ParamHintWindow()->Form()->lbWrite->Caption(), "Записать (F6)");
    const auto press = [&](const QKeySequence& Key) {
        int found = 0;
        for (QShortcut* s : page.window()->findChildren<QShortcut*>())
            if (s->key() == Key && ++found)
                emit s->activated();
        return found;
    };
    EXPECT_EQ(press(HintWriteKey), 1);
    EXPECT_EQ(link.Posted, (std::vector<std::uint8_t>{rqReadParam, rqWriteParam}));
    EXPECT_EQ(page.etLat->Tag(), 1003);
    RestoreParameterTags(&page);
    EXPECT_EQ(page.etLat->Tag(), 3);
    HideParameterHint();
    EXPECT_EQ(press(HintReadKey), 0);
}

TEST(HintLinks, DefaultWorksWithoutAConnectionAndMarksAgainstTheReadValue) {
    TFakeLink link;
    TformCommon page;
    link.Serve(page);
    page.show();
    page.FRefValues.Set("etLat", "100");
    page.etLat->SetText("100");
    page.FWasRead = true;
    ShowParameterHint(page.etLat, link.Services);
    ClickMouse(ParamHintWindow()->Form()->lbDefault, QPoint(2, 2));
    EXPECT_EQ(page.etLat->Text(), "230");
    EXPECT_TRUE(IsMarked(page.etLat));
    EXPECT_TRUE(link.Posted.empty());
    HideParameterHint();

    TformInOut inout;
    link.Serve(inout);
    inout.CheckBox7->SetChecked(true);
    ShowParameterHint(inout.CheckBox7, link.Services);
    EXPECT_EQ(ParamHintWindow()->Form()->lbDisc->Caption(), "");
    ParamHintWindow()->Form()->lbDefaultClick(nullptr);
    EXPECT_FALSE(inout.CheckBox7->Checked());
    ShowParameterHint(inout.RadioButton1, link.Services);
    inout.RadioButton3->SetChecked(true);
    ParamHintWindow()->Form()->lbDefaultClick(nullptr);
    EXPECT_TRUE(inout.RadioButton1->Checked());
    EXPECT_FALSE(inout.RadioButton3->Checked());
    HideParameterHint();
}
