#include "toolkit/StringGrid.h"

TStringGrid::TStringGrid(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QWidget>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    Resized();
}

void TStringGrid::Resized() {
    FCells.resize(static_cast<size_t>(FCols * FRows));
    updateGeometry();
    update();
}

void TStringGrid::SetColCount(int cols) {
    std::vector<std::string> cells(static_cast<size_t>(std::max(cols, 0) * FRows));
    for (int r = 0; r < FRows; ++r)
        for (int c = 0; c < std::min(cols, FCols); ++c)
            cells[static_cast<size_t>(r * cols + c)] = Cell(c, r);
    FCols = std::max(cols, 0);
    FCells = std::move(cells);
    Resized();
}

void TStringGrid::SetRowCount(int rows) {
    FRows = std::max(rows, 0);
    Resized();
}

void TStringGrid::SetDefaultColWidth(int width) {
    FColWidth = width;
    Resized();
}

void TStringGrid::SetDefaultRowHeight(int height) {
    FRowHeight = height;
    Resized();
}

void TStringGrid::SetGridLineWidth(int width) {
    FLineWidth = width;
    Resized();
}

std::string TStringGrid::Cell(int col, int row) const {
    if (col < 0 || row < 0 || col >= FCols || row >= FRows)
        return {};
    return FCells[static_cast<size_t>(row * FCols + col)];
}

void TStringGrid::SetCell(int col, int row, const std::string& text) {
    if (col < 0 || row < 0 || col >= FCols || row >= FRows)
        return;
    std::string& cell = FCells[static_cast<size_t>(row * FCols + col)];
    if (cell == text)
        return;
    cell = text;
    update(CellRect(col, row));
}

QRect TStringGrid::CellRect(int col, int row) const {
    return QRect(col * (FColWidth + FLineWidth), row * (FRowHeight + FLineWidth), FColWidth,
                 FRowHeight);
}

QSize TStringGrid::NaturalSize() const {
    return QSize(FCols * (FColWidth + FLineWidth), FRows * (FRowHeight + FLineWidth));
}

void TStringGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (FLineWidth > 0)
        p.fillRect(rect(), palette().color(QPalette::Mid));
    for (int r = 0; r < FRows; ++r)
        for (int c = 0; c < FCols; ++c) {
            const QRect cell = CellRect(c, r);
            if (OnDrawCell) {
                p.save();
                Guarded(this, [&] { OnDrawCell(this, c, r, p, cell); });
                p.restore();
                continue;
            }
            p.fillRect(cell, palette().color(QPalette::Base));
            p.setPen(palette().color(QPalette::Text));
            p.drawText(cell.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStr(Cell(c, r)));
        }
}
