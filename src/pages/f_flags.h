#pragma once
// TformFlags: the unit's present state and its latched event flags as rows of
// circular lamps under a heading row of eight sources, and the button that
// resets the event flags. Nothing on it is edited or stored; the device
// layer colours the lamps when it reads the page.
//
// Threading: GUI thread; the link thread reads the shapes' snapshots.

#include "pages/SettingsPage.h"

class TformFlags : public TSettingsPage {
public:
    static constexpr int ShapeCount = 18;

    explicit TformFlags(TForm* Owner = nullptr, QWidget* Parent = nullptr);

    TGroupBox* GroupBox1;
    TPanel* Panel4;
    TStringGrid* StringGrid1;
    TLabel* Label3;
    TLabel* Label1;
    TLabel* Label2;
    TBevel* Bevel1;
    TLabel* Label4;
    TLabel* Label5;
    TLabel* Label7;
    TLabel* Label6;
    TLabel* Label8;
    TLabel* Label9;
    TLabel* Label10;
    TLabel* lbbtnRST;
    TButton* btnRST;

    // Shape1 .. Shape18.
    TShape* ShapeN(int Number) const;

    void FormCreate();
    void StringGrid1DrawCell(QObject* Sender, int ACol, int ARow, QPainter& Canvas,
                             const QRect& Rect);
    void Panel4MouseMove(QObject* Sender, QPoint Pos);
    void btnRSTClick(QObject* Sender);
    void SetContentVisible(bool Visible) override;

private:
    TShape* FShapes[ShapeCount + 1] = {};
};
