#include <gtest/gtest.h>

#include <QImage>

#include "PageTestSupport.h"
#include "pages/PageOps.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_flags.h"
#include "queue/Protocol.h"

TEST(GPSPage, RestartNeedsALinkThreadAndBoxesMarkAfterARead) {
    TFakeLink link;
    TformGPS page;
    link.Serve(page);
    page.show();
    page.btnRST->UserClick();
    EXPECT_TRUE(link.Posted.empty());
    link.Exists = true;
    page.btnRST->UserClick();
    EXPECT_EQ(link.Posted, (std::vector<std::uint8_t>{rqGPSRestart}));

    page.FRefValues.Set("cbGPSOff", "false");
    page.FRefValues.Set("cbGPSDebug", "false");
    page.FWasWritten = true;
    ClickBox(page.cbGPSDebug);
    EXPECT_EQ(page.cbGPSDebug->Caption(), "!");
    EXPECT_EQ(page.cbGPSOff->Caption(), "");
    EXPECT_EQ(page.cbGPSOff->Tag(), 21);
    EXPECT_EQ(page.cbGPSDebug->Tag(), 22);

    page.SetContentVisible(false);
    EXPECT_FALSE(page.GroupBox3->Visible());
    page.SetContentVisible(true);
    EXPECT_TRUE(page.GroupBox3->isVisible());
}

TEST(BatteryPage, HourStaysWithinOneToTwentyThreeAndMarksAgainstTheReadHour) {
    TformAcc page;
    page.show();
    EXPECT_EQ(page.seACCCheckTime->Value(), 3);
    EXPECT_TRUE(page.cbAccTest->Checked());
    page.seACCCheckTime->SetValue(23);
    page.seACCCheckTime->stepUp();
    EXPECT_EQ(page.seACCCheckTime->Value(), 23);
    page.seACCCheckTime->SetValue(1);
    page.seACCCheckTime->stepDown();
    EXPECT_EQ(page.seACCCheckTime->Value(), 1);

    page.FRefValues.Set("seACCCheckTime", "5");
    page.seACCCheckTime->SetValue(5);
    page.FWasRead = true;
    page.seACCCheckTime->stepUp();
    EXPECT_TRUE(IsMarked(page.seACCCheckTime));
    page.seACCCheckTime->stepDown();
    EXPECT_FALSE(IsMarked(page.seACCCheckTime));

    page.FRefValues.Set("cbAccTest", "true");
    ClickBox(page.cbAccTest);
    EXPECT_EQ(page.cbAccTest->Caption(), "!");
}

TEST(BatteryPage, ContentHidesPartByPart) {
    TformAcc page;
    page.show();
    page.SetContentVisible(false);
    for (QWidget* w : std::initializer_list<QWidget*>{
             page.GroupBox3, page.lbseACCCheckTime, page.lbcbAccTest, page.Label12,
             page.seACCCheckTime, page.pPowerState, page.cbAccTest})
        EXPECT_FALSE(ComponentInfoOf(w)->Visible()) << ComponentInfoOf(w)->Name();
    page.SetContentVisible(true);
    EXPECT_TRUE(page.pPowerState->isVisible());
    EXPECT_TRUE(page.pPowerState->font().bold());
    EXPECT_EQ(page.pPowerState->Caption(), "");
}

TEST(FlagsPage, HeadingsAsPlainCaptionsWithTheLampsCentredUnderThem) {
    TformFlags page;
    page.resize(900, 600);
    page.show();
    const std::vector<std::string> headings = {"GPS",    "Выход 1", "Выход 2", "Питание", "Вход 1",
                                               "Вход 2", "Вход 3",  "Вход 4",  ""};
    for (int c = 0; c < 9; ++c)
        EXPECT_EQ(page.StringGrid1->Cell(c, 0), headings[static_cast<size_t>(c)]);
    EXPECT_EQ(page.StringGrid1->RowCount(), 1);
    EXPECT_FALSE(page.StringGrid1->isEnabled());
    // The headings start where the row captions end.
    EXPECT_GE(page.StringGrid1->x(), page.Label1->geometry().right());

    // Column of each lamp: the source whose heading it sits under.
    const std::map<int, std::string> column = {
        {1, "GPS"},     {2, "Выход 1"}, {3, "Выход 2"}, {4, "Питание"},  {8, "Вход 1"},
        {7, "Вход 2"},  {6, "Вход 3"},  {5, "Вход 4"},  {9, "Питание"},  {13, "Вход 1"},
        {12, "Вход 2"}, {11, "Вход 3"}, {10, "Вход 4"}, {14, "Питание"}, {18, "Вход 1"},
        {17, "Вход 2"}, {16, "Вход 3"}, {15, "Вход 4"}};
    for (const auto& [shape, heading] : column) {
        TShape* lamp = page.ShapeN(shape);
        ASSERT_NE(lamp, nullptr);
        EXPECT_EQ(page.FindComponent("Shape" + std::to_string(shape)), lamp);
        EXPECT_EQ(lamp->Shape(), TShapeType::Circle);
        EXPECT_EQ(lamp->BrushColor(), clWhite);
        EXPECT_EQ(lamp->size(), QSize(25, 24));
        const int col = static_cast<int>(std::find(headings.begin(), headings.end(), heading) -
                                         headings.begin());
        const int cellCentre =
            page.StringGrid1->mapTo(page.Panel4, page.StringGrid1->CellRect(col, 0).center()).x();
        const int lampCentre = lamp->mapTo(page.Panel4, lamp->rect().center()).x();
        EXPECT_LE(std::abs(cellCentre - lampCentre), 1) << "Shape" << shape;
    }
    // Rows: present state above restore flags above trigger flags.
    EXPECT_LT(page.ShapeN(4)->y(), page.ShapeN(9)->y());
    EXPECT_LT(page.ShapeN(9)->y(), page.ShapeN(14)->y());

    // No grid lines and no cell colour: between and inside the cells the
    // page background shows, as it does left of the headings.
    const QImage image = page.Panel4->grab().toImage();
    const QPoint grid = page.StringGrid1->pos();
    const QColor background = image.pixelColor(grid.x() - 3, grid.y() + 1);
    const QRect first = page.StringGrid1->CellRect(0, 0).translated(grid);
    const QRect last = page.StringGrid1->CellRect(8, 0).translated(grid);
    EXPECT_EQ(image.pixelColor(first.right() + 1, first.top() + 1), background);
    EXPECT_EQ(image.pixelColor(first.right() - 1, first.bottom() - 1), background);
    EXPECT_EQ(image.pixelColor(last.center()), background);
}

TEST(FlagsPage, ResetNeedsALinkThreadAndTheNoteIndentsItsSecondLines) {
    TFakeLink link;
    TformFlags page;
    link.Serve(page);
    page.show();
    page.btnRST->UserClick();
    EXPECT_TRUE(link.Posted.empty());
    link.Exists = true;
    page.btnRST->UserClick();
    EXPECT_EQ(link.Posted, (std::vector<std::uint8_t>{rqResetFlags}));
    EXPECT_EQ(page.lbbtnRST->Caption(), "Сбросить флаги");

    EXPECT_EQ(page.Label7->x() - page.Label5->x(), 80);
    EXPECT_EQ(page.Label10->x() - page.Label8->x(), 80);
    EXPECT_EQ(page.Label6->x(), page.Label9->x());

    page.SetContentVisible(false);
    EXPECT_FALSE(page.GroupBox1->Visible());
}
