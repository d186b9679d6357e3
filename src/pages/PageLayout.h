#pragma once
// Lays out the rows of a settings page: the caption right-aligned on the
// left, the control beside it, rows from top to bottom, extra room going to
// the right and to the bottom so that the rows stay together.
//
// Threading: GUI thread.

#include <QGridLayout>

class QWidget;

class TFieldRows {
public:
    explicit TFieldRows(QWidget* Container);

    // A caption and its control, on the next row; the caption is the
    // control's label (its buddy).
    void Add(QWidget* Caption, QWidget* Field);
    // A widget across both columns, on the next row.
    void AddWide(QWidget* Widget);
    // Ends the rows: what is left of the container stays empty.
    void Finish();

    QGridLayout* Layout() const { return FGrid; }

private:
    QGridLayout* FGrid;
    int FRow = 0;
};

// Makes an edit wide enough for the given number of characters.
void SetFieldChars(QWidget* Field, int Chars);
