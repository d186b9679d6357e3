#include "pages/f_flags.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "pages/HintWindow.h"
#include "queue/Protocol.h"

namespace {
constexpr int HeadingColumns = 9;
// The ninth heading cell is empty; it needs no room of its own.
constexpr int LampColumns = 8;
constexpr int LineWidth = 1;
constexpr int NoteIndent = 80;
constexpr int LampWidth = 25;

const char* const Headings[HeadingColumns] = {"GPS",    "Выход 1", "Выход 2", "Питание", "Вход 1",
                                              "Вход 2", "Вход 3",  "Вход 4",  ""};

// The design's cells (64 pixels, and 168 for the row captions) are wider than
// the page area leaves at the window's design size in most fonts: a cell is
// as wide as the widest heading needs, and the row captions wrap onto two
// lines in a column as wide as the longest line of the event rows.
int CellWidthFor(const QFontMetrics& metrics) {
    int width = LampWidth + 6;
    for (const char* heading : Headings)
        width = std::max(width, metrics.horizontalAdvance(QStr(heading)) + 2 + 4);
    return width;
}

void WrapRowCaption(QLabel* label, int width) {
    label->setWordWrap(true);
    label->setFixedWidth(width);
    label->setMinimumHeight(
        label->fontMetrics()
            .boundingRect(QRect(0, 0, width, 0), Qt::TextWordWrap, label->text())
            .height());
}
// The heading column of each lamp, row by row: present state, restore
// flags, trigger flags (-1: no lamp in that column).
constexpr int LampColumnOf[TformFlags::ShapeCount + 1] = {
    -1, 0, 1, 2, 3, 7, 6, 5, 4, // Shape1 .. Shape8
    3,  7, 6, 5, 4,             // Shape9 .. Shape13
    3,  7, 6, 5, 4,             // Shape14 .. Shape18
};
int LampRowOf(int shape) {
    return shape <= 8 ? 0 : shape <= 13 ? 1 : 2;
}
} // namespace

TformFlags::TformFlags(TForm* Owner, QWidget* Parent) : TSettingsPage(Owner, "formFlags", Parent) {
    GroupBox1 = new TGroupBox(this, "GroupBox1");
    GroupBox1->SetCaption("Флаги");
    auto* boxLayout = new QVBoxLayout(GroupBox1);
    Panel4 = new TPanel(this, "Panel4", GroupBox1);
    Panel4->SetBevel(TBevelKind::None);
    boxLayout->addWidget(Panel4);

    const QFontMetrics metrics(font());
    const int cellWidth = CellWidthFor(metrics);
    auto* grid = new QGridLayout(Panel4);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setHorizontalSpacing(0);
    for (int c = 1; c <= LampColumns; ++c)
        grid->setColumnMinimumWidth(c, cellWidth + LineWidth);
    grid->setColumnStretch(LampColumns + 1, 1);

    StringGrid1 = new TStringGrid(this, "StringGrid1", Panel4);
    StringGrid1->SetColCount(HeadingColumns);
    StringGrid1->SetRowCount(1);
    StringGrid1->SetDefaultColWidth(cellWidth);
    // As wide as the lamp columns: the empty ninth cell may fall off its end.
    StringGrid1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    StringGrid1->SetGridLineWidth(LineWidth);
    StringGrid1->SetEnabled(false);
    // Plain captions on the page background: the grid's own colour, for the
    // cells and the gaps between them, lets the background through.
    QPalette pal = StringGrid1->palette();
    pal.setColor(QPalette::Window, Qt::transparent);
    pal.setColor(QPalette::Mid, Qt::transparent);
    StringGrid1->setPalette(pal);
    grid->addWidget(StringGrid1, 0, 1, 1, LampColumns);

    Label3 = NewCaption(this, "Label3", "Текущее состояние", Panel4);
    Label1 = NewCaption(this, "Label1", "Флаги событий (Восстановление)", Panel4);
    Label2 = NewCaption(this, "Label2", "Флаги событий (Срабатывание)", Panel4);
    int captionWidth = 0;
    for (const char* line : {"Флаги событий", "(Восстановление)", "(Срабатывание)"})
        captionWidth = std::max(captionWidth, metrics.horizontalAdvance(QStr(line)) + 8);
    for (TLabel* caption : {Label3, Label1, Label2})
        WrapRowCaption(caption, captionWidth);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(Label1, 2, 0);
    grid->addWidget(Label2, 3, 0);
    for (int n = 1; n <= ShapeCount; ++n) {
        auto* shape = new TShape(this, "Shape" + std::to_string(n), Panel4);
        shape->SetShape(TShapeType::Circle);
        shape->SetBrushColor(clWhite);
        shape->setFixedSize(25, 24);
        grid->addWidget(shape, 1 + LampRowOf(n), 1 + LampColumnOf[n], Qt::AlignCenter);
        FShapes[n] = shape;
    }

    Bevel1 = new TBevel(this, "Bevel1", Panel4);
    auto* note = new QGridLayout(Bevel1);
    note->setHorizontalSpacing(0);
    note->setColumnMinimumWidth(0, NoteIndent);
    note->setColumnStretch(2, 1);
    struct TNote {
        TLabel*& Label;
        const char* Name;
        const char* Caption;
        bool Indented;
    };
    const TNote lines[] = {
        {Label4, "Label4", "Примечание", false},
        {Label5, "Label5", "Срабатывание: для 1 входа — подача «+»", false},
        {Label7, "Label7", "для 2, 3, 4 — подача «-»", true},
        {Label6, "Label6", "для питания — исчезновение внешнего питания", true},
        {Label8, "Label8", "Восстановление: для 1 входа — отсутствие «+»", false},
        {Label9, "Label9", "для 2, 3, 4 — отсутствие «-»", true},
        {Label10, "Label10", "для питания — появление внешнего питания", true},
    };
    int noteRow = 0;
    for (const TNote& line : lines) {
        line.Label = NewCaption(this, line.Name, line.Caption, Bevel1);
        if (line.Indented)
            note->addWidget(line.Label, noteRow++, 1, 1, 2);
        else
            note->addWidget(line.Label, noteRow++, 0, 1, 3);
    }
    grid->addWidget(Bevel1, 4, 0, 1, 1 + LampColumns);

    lbbtnRST = NewCaption(this, "lbbtnRST", "Сбросить флаги", Panel4);
    btnRST = new TButton(this, "btnRST", Panel4);
    btnRST->SetIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    grid->addWidget(lbbtnRST, 5, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(btnRST, 5, 1, 1, 2, Qt::AlignLeft);
    grid->setRowStretch(6, 1);

    StringGrid1->OnDrawCell = [this](QObject* s, int c, int r, QPainter& p, const QRect& rect) {
        StringGrid1DrawCell(s, c, r, p, rect);
    };
    Panel4->OnMouseMove = [this](QObject* s, QPoint p) { Panel4MouseMove(s, p); };
    btnRST->OnClick = [this](QObject* s) { btnRSTClick(s); };
    ScrollBox1->SetContent(GroupBox1);
    FormCreate();
}

TShape* TformFlags::ShapeN(int number) const {
    return number >= 1 && number <= ShapeCount ? FShapes[number] : nullptr;
}

void TformFlags::FormCreate() {
    for (int c = 0; c < HeadingColumns; ++c)
        StringGrid1->SetCell(c, 0, Headings[c]);
}

void TformFlags::StringGrid1DrawCell(QObject*, int ACol, int ARow, QPainter& Canvas,
                                     const QRect& Rect) {
    Canvas.fillRect(Rect, StringGrid1->palette().color(QPalette::Window));
    Canvas.setFont(font());
    Canvas.setBackgroundMode(Qt::TransparentMode);
    Canvas.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    Canvas.drawText(Rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                    QStr(StringGrid1->Cell(ACol, ARow)));
}

void TformFlags::Panel4MouseMove(QObject*, QPoint) {
    HideParameterHint();
}

void TformFlags::btnRSTClick(QObject*) {
    Services().Post(rqResetFlags);
}

void TformFlags::SetContentVisible(bool Visible) {
    GroupBox1->SetVisible(Visible);
    ShowEmptyNote(!Visible);
}
