#pragma once
// Tform_Debug: a manual command console of fifteen rows. Row r holds the
// command field Edit(2r-1), the value field Edit(2r), "Прочитать" Button(2r-1) and
// "Записать" Button(2r). A button hands its row to the device layer through
// FRow, the number of the row's command field, taken from the button's name.
//
// Threading: GUI thread; the link thread reads FRow and the fields' snapshots.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "pages/SettingsPage.h"

class Tform_Debug : public TSettingsPage {
public:
    static constexpr int RowCount = 15;
    static constexpr int FieldCount = 2 * RowCount;

    explicit Tform_Debug(TForm* Owner = nullptr, QWidget* Parent = nullptr);

    // Edit1 .. Edit30 and Button1 .. Button30.
    TEdit* EditN(int Number) const;
    TButton* ButtonN(int Number) const;

    // The command field number of the row whose button was pressed last.
    std::atomic<int> FRow{0};

    void Button1Click(QObject* Sender);
    void Button2Click(QObject* Sender);

private:
    void PostRow(QObject* Sender, int Offset, std::uint8_t Code);

    TEdit* FEdits[FieldCount + 1] = {};
    TButton* FButtons[FieldCount + 1] = {};
};

// The number a "Button" name ends in ("Button17" gives 17); nothing when the
// name does not have that form.
std::optional<int> ButtonNumber(const std::string& Name);
