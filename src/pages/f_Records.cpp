#include "pages/f_Records.h"

#include <QGridLayout>
#include <limits>

#include "queue/Protocol.h"
#include "toolkit/TextUtil.h"

namespace {
constexpr int ButtonWidth = 153;

TButton* NewButton(TForm* owner, const char* name, const char* caption, QWidget* parent) {
    auto* button = new TButton(owner, name, parent);
    button->SetCaption(caption);
    return button;
}

TEdit* NewNumberField(TForm* owner, const char* name, const char* text, QWidget* parent) {
    auto* field = new TEdit(owner, name, parent);
    field->SetText(text);
    field->SetMaxLength(5);
    field->SetKeyFilter(TKeyFilter::Digits);
    return field;
}

TLabel* NewHexDisplay(TForm* owner, const char* name, QWidget* parent) {
    auto* label = new TLabel(owner, name, parent);
    label->SetCaption("0x0");
    return label;
}

// The hexadecimal display of a field: unchanged while the field is empty.
void ShowHex(const TEdit* field, TLabel* display, const std::string& role) {
    const std::string text = field->Text();
    if (!text.empty())
        display->SetCaption(IntToHexUpper(RecordFieldValue(text, role), 4));
}

const char* const AddressRole = "Адрес записи";
const char* const PointerRole = "Указатель записи";
const char* const AddPointerRole = "Дополнительный указатель";
} // namespace

int RecordFieldValue(const std::string& text, const std::string& role) {
    if (text.empty())
        throw EConvertError("ОШИБКА! " + role + " не задан.");
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            throw EConvertError("ОШИБКА! " + role + " \"" + text +
                                "\" не является десятичным числом.");
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max())
            throw EConvertError("ОШИБКА! " + role + " \"" + text + "\" слишком велик.");
    }
    return static_cast<int>(value);
}

TformRecords::TformRecords(TForm* Owner, QWidget* Parent)
    : TSettingsPage(Owner, "formRecords", Parent) {
    GroupBox3 = new TGroupBox(this, "GroupBox3");
    GroupBox3->SetCaption("Записи");
    GroupBox3->setMinimumSize(598, 531);
    auto* grid = new QGridLayout(GroupBox3);
    grid->setColumnMinimumWidth(0, ButtonWidth);

    Label3 = NewHexDisplay(this, "Label3", GroupBox3);
    Button7 = NewButton(this, "Button7", "Читать запись по адресу", GroupBox3);
    etAddr = NewNumberField(this, "etAddr", "0000", GroupBox3);
    Button3 = NewButton(this, "Button3", "Читать следующую запись", GroupBox3);
    Button4 = NewButton(this, "Button4", "Читать блок", GroupBox3);
    seNum = new TSpinEdit(this, "seNum", GroupBox3);
    seNum->SetMinValue(1);
    seNum->SetMaxValue(66000);
    seNum->SetValue(1);
    Button1 = NewButton(this, "Button1", "Читать следующий блок", GroupBox3);
    Button8 = NewButton(this, "Button8", "Записать", GroupBox3);
    etRecord = new TEdit(this, "etRecord", GroupBox3);
    etRecord->SetText("12345678901234567890123456789012");
    etRecord->SetMaxLength(32);
    etRecord->SetKeyFilter(TKeyFilter::Hex);
    etRecord->setMinimumWidth(etRecord->fontMetrics().horizontalAdvance(QString(33, 'F')));
    Memo1 = new TMemo(this, "Memo1", GroupBox3);
    Memo1->SetFontFamily("Lucida Console", true);
    Memo1->SetVerticalScrollBar(true);
    // The design's 385 x 337 where the page has the room; the rows above it
    // leave less at the window's design size, and the pane scrolls anyway.
    Memo1->SetWidth(385);
    Memo1->SetHeight(337);
    Memo1->setMinimumSize(385, 8 * Memo1->fontMetrics().lineSpacing());

    TButton* leftButtons[] = {Button7, Button3, Button4, Button1, Button8};
    for (TButton* b : leftButtons)
        b->setMinimumWidth(ButtonWidth);
    grid->addWidget(Label3, 0, 1);
    grid->addWidget(Button7, 1, 0);
    grid->addWidget(etAddr, 1, 1, Qt::AlignLeft);
    grid->addWidget(Button3, 2, 0);
    grid->addWidget(Button4, 3, 0);
    grid->addWidget(seNum, 3, 1, Qt::AlignLeft);
    grid->addWidget(Button1, 4, 0);
    grid->addWidget(Button8, 5, 0);
    grid->addWidget(etRecord, 5, 1);
    grid->addWidget(Memo1, 6, 0, 1, 2);

    auto pointerGroup = [this](const char* boxName, const char* caption, const char* hexName,
                               const char* fieldName, const char* readName, const char* writeName,
                               TLabel*& hex, TEdit*& field, TButton*& read, TButton*& write) {
        auto* box = new TGroupBox(this, boxName, GroupBox3);
        box->SetCaption(caption);
        auto* rows = new QGridLayout(box);
        hex = NewHexDisplay(this, hexName, box);
        field = NewNumberField(this, fieldName, "0000", box);
        read = NewButton(this, readName, "RD", box);
        write = NewButton(this, writeName, "WR", box);
        rows->addWidget(hex, 0, 0, 1, 2);
        rows->addWidget(field, 1, 0, 1, 2);
        rows->addWidget(read, 2, 0);
        rows->addWidget(write, 2, 1);
        return box;
    };
    GroupBox1 = pointerGroup("GroupBox1", "Указатель записи", "Label5", "etPointer", "Button5",
                             "Button6", Label5, etPointer, Button5, Button6);
    GroupBox2 = pointerGroup("GroupBox2", "Дополнительный указатель", "Label6", "etAddPointer",
                             "Button9", "Button10", Label6, etAddPointer, Button9, Button10);
    btnErase = NewButton(this, "btnErase", "Erase", GroupBox3);
    Button2 = NewButton(this, "Button2", "Очистить", GroupBox3);
    grid->addWidget(GroupBox1, 0, 2, 3, 1, Qt::AlignTop);
    grid->addWidget(GroupBox2, 3, 2, 3, 1, Qt::AlignTop);
    grid->addWidget(btnErase, 6, 2, Qt::AlignTop);
    grid->addWidget(Button2, 6, 2, Qt::AlignBottom);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(1, 1);

    const std::pair<TButton*, void (TformRecords::*)(QObject*)> clicks[] = {
        {Button7, &TformRecords::Button7Click},   {Button3, &TformRecords::Button3Click},
        {Button4, &TformRecords::Button4Click},   {Button1, &TformRecords::Button1Click},
        {Button8, &TformRecords::Button8Click},   {Button5, &TformRecords::Button5Click},
        {Button6, &TformRecords::Button6Click},   {Button9, &TformRecords::Button9Click},
        {Button10, &TformRecords::Button10Click}, {btnErase, &TformRecords::btnEraseClick},
        {Button2, &TformRecords::Button2Click},
    };
    for (const auto& click : clicks) {
        const auto handler = click.second;
        click.first->OnClick = [this, handler](QObject* s) { (this->*handler)(s); };
    }
    etAddr->OnChange = [this](QObject* s) { etAddrChange(s); };
    etPointer->OnChange = [this](QObject* s) { etPointerChange(s); };
    etAddPointer->OnChange = [this](QObject* s) { etAddPointerChange(s); };
    ScrollBox1->SetContent(GroupBox3);
}

void TformRecords::Button7Click(QObject*) {
    Services().Post(rqReadRecordAt);
}

void TformRecords::Button3Click(QObject*) {
    Services().Post(rqReadNextRecord);
}

void TformRecords::Button4Click(QObject*) {
    Memo1->Clear();
    Services().Post(rqReadBlock);
}

void TformRecords::Button1Click(QObject* Sender) {
    const long long next =
        static_cast<long long>(RecordFieldValue(etAddr->Text(), AddressRole)) + seNum->Value();
    etAddr->SetText(std::to_string(next));
    // The new address and its hexadecimal form are on the screen before the
    // block is asked for.
    etAddr->repaint();
    Label3->Repaint();
    Button4Click(Sender);
}

void TformRecords::Button8Click(QObject*) {
    Services().Post(rqWriteRecord);
}

void TformRecords::Button5Click(QObject*) {
    Services().Post(rqReadPointer);
}

void TformRecords::Button6Click(QObject*) {
    Services().Post(rqWritePointer);
}

void TformRecords::Button9Click(QObject*) {
    Services().Post(rqReadAddPointer);
}

void TformRecords::Button10Click(QObject*) {
    Services().Post(rqWriteAddPointer);
}

void TformRecords::btnEraseClick(QObject*) {
    Services().Post(rqErase);
}

void TformRecords::Button2Click(QObject*) {
    Memo1->Clear();
}

void TformRecords::etAddrChange(QObject*) {
    ShowHex(etAddr, Label3, AddressRole);
}

void TformRecords::etPointerChange(QObject*) {
    ShowHex(etPointer, Label5, PointerRole);
}

void TformRecords::etAddPointerChange(QObject*) {
    ShowHex(etAddPointer, Label6, AddPointerRole);
}
