#pragma once
// TformRecords: a service tool for the unit's record memory. Every button
// hands one request to the link thread; the device layer reads its inputs
// from the fields here and writes its results back. The address and pointer
// fields are decimal, with their value shown in hexadecimal beside them.
// The page is not in the page tree.
//
// Threading: GUI thread; the link thread reads the fields' snapshots.

#include "pages/SettingsPage.h"

class TformRecords : public TSettingsPage {
public:
    explicit TformRecords(TForm* Owner = nullptr, QWidget* Parent = nullptr);

    TGroupBox* GroupBox3;
    TLabel* Label3;
    TButton* Button7;
    TEdit* etAddr;
    TButton* Button3;
    TButton* Button4;
    TSpinEdit* seNum;
    TButton* Button1;
    TButton* Button8;
    TEdit* etRecord;
    TMemo* Memo1;
    TGroupBox* GroupBox1;
    TLabel* Label5;
    TEdit* etPointer;
    TButton* Button5;
    TButton* Button6;
    TGroupBox* GroupBox2;
    TLabel* Label6;
    TEdit* etAddPointer;
    TButton* Button9;
    TButton* Button10;
    TButton* btnErase;
    TButton* Button2;

    void Button7Click(QObject* Sender);
    void Button3Click(QObject* Sender);
    void Button4Click(QObject* Sender);
    void Button1Click(QObject* Sender);
    void Button8Click(QObject* Sender);
    void Button5Click(QObject* Sender);
    void Button6Click(QObject* Sender);
    void Button9Click(QObject* Sender);
    void Button10Click(QObject* Sender);
    void btnEraseClick(QObject* Sender);
    void Button2Click(QObject* Sender);
    void etAddrChange(QObject* Sender);
    void etPointerChange(QObject* Sender);
    void etAddPointerChange(QObject* Sender);
};

// The decimal number in an address or pointer field. Throws EConvertError,
// naming the field's role, when the text is empty or not a decimal number.
int RecordFieldValue(const std::string& Text, const std::string& Role);
