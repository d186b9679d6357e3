#pragma once
// A grid of text cells of one size, without scroll bars or headers. Each
// cell is drawn by OnDrawCell when set, otherwise as its text on the base
// colour; grid lines fill the gaps between cells.
//
// Threading: GUI thread (and the shared snapshots of TControlT from any).

#include <QPainter>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/Control.h"

using TDrawCellEvent =
    std::function<void(QObject* Sender, int ACol, int ARow, QPainter& Canvas, const QRect& Rect)>;

class TStringGrid : public TControlT<QWidget> {
public:
    TStringGrid(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    int ColCount() const { return FCols; }
    int RowCount() const { return FRows; }
    void SetColCount(int cols);
    void SetRowCount(int rows);
    int DefaultColWidth() const { return FColWidth; }
    int DefaultRowHeight() const { return FRowHeight; }
    void SetDefaultColWidth(int width);
    void SetDefaultRowHeight(int height);
    int GridLineWidth() const { return FLineWidth; }
    void SetGridLineWidth(int width);

    std::string Cell(int col, int row) const;
    void SetCell(int col, int row, const std::string& text);
    QRect CellRect(int col, int row) const;

    TDrawCellEvent OnDrawCell;

protected:
    QSize NaturalSize() const override;
    void paintEvent(QPaintEvent* e) override;

private:
    void Resized();

    int FCols = 5;
    int FRows = 5;
    int FColWidth = 64;
    int FRowHeight = 24;
    int FLineWidth = 1;
    std::vector<std::string> FCells; // row-major
};
