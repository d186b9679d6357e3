// TDevOrbelin: the debug console, which sends what the operator typed, and
// the record memory operations. The unit's command set has no record memory
// commands, so those operations prepare their arguments and show their
// results in the records pane without an exchange: a guessed command letter
// could do something quite different on a real unit.

#include <string>

#include "device/DevOrbelin.h"
#include "device/RecordText.h"
#include "pages/f_Debug.h"
#include "pages/f_Records.h"
#include "params/WireValue.h"
#include "toolkit/ExceptionHandler.h"
#include "toolkit/TextUtil.h"

namespace {
const char* const AddressRole = "Адрес записи";
const char* const PointerRole = "Указатель записи";
const char* const AddPointerRole = "Дополнительный указатель";
} // namespace

void TDevOrbelin::DebugExchange(bool Write) {
    Tform_Debug* page = FPages.form_Debug;
    if (!page)
        return;
    const int row = page->FRow.load();
    TEdit* commandField = page->EditN(row);
    TEdit* valueField = page->EditN(row + 1);
    if (!commandField || !valueField)
        return;
    // The fields start as one blank, and blanks typed around a command are
    // easy to miss: the unit would take them as part of it and refuse it.
    std::string command = TrimBlanks(commandField->Text());
    if (command.empty()) {
        PostLine(" # Команда " + commandField->Name() + " пуста, ничего не отправлено", true, true);
        return;
    }
    if (!Sendable("Команда " + commandField->Name(), command))
        return;
    if (Write) {
        const std::string value = TrimBlanks(valueField->Text());
        if (!Sendable("Значение " + valueField->Name(), value))
            return;
        command += value;
    }
    Post(valueField, ExtractReplyValue(SendAsTyped(command)));
}

void TDevOrbelin::DebugRead() {
    DebugExchange(false);
}

void TDevOrbelin::DebugWrite() {
    DebugExchange(true);
}

bool TDevOrbelin::RecordField(TEdit* Field, const char* Role, int& Value) {
    try {
        Value = RecordFieldValue(Field->Text(), Role);
        return true;
    } catch (const EConvertError& e) {
        PostLine(std::string(" # !!! ") + e.what(), true, true);
        return false;
    }
}

void TDevOrbelin::NoRecordCommand(const std::string& Argument) {
    PostLine(" # Команда устройства для записей не определена, обмена нет" +
                 (Argument.empty() ? std::string() : "; аргумент " + Argument),
             true, true);
}

void TDevOrbelin::ReadRecordAt() {
    TformRecords* page = FPages.formRecords;
    int address = 0;
    if (!page || !RecordField(page->etAddr, AddressRole, address))
        return;
    const std::string argument = RecordAddress(address);
    NoRecordCommand(argument);
    const std::string reply; // no exchange
    Post(page->Memo1, RecordLine(argument, ExtractReplyValue(reply)));
}

void TDevOrbelin::ReadNextRecord() {
    TformRecords* page = FPages.formRecords;
    if (!page)
        return;
    NoRecordCommand({});
    const std::string reply; // no exchange
    Post(page->Memo1, NextRecordLine(reply));
}

void TDevOrbelin::ReadBlock() {
    TformRecords* page = FPages.formRecords;
    int address = 0;
    if (!page || !RecordField(page->etAddr, AddressRole, address))
        return;
    NoRecordCommand(BlockRange(address, page->seNum->Value()));
    PostLine("Блок памяти:", true, true);
    const std::string block; // no exchange
    for (const std::string& line : BlockLines(block)) {
        Post(page->Memo1, line);
        PostLine(line, true, true);
    }
    PostLine("Конец блока памяти:", true, true);
}

void TDevOrbelin::WriteRecord() {
    TformRecords* page = FPages.formRecords;
    int address = 0;
    if (!page || !RecordField(page->etAddr, AddressRole, address))
        return;
    const std::string target = RecordAddress(address);
    NoRecordCommand(target + page->etRecord->Text());
    const std::string reply; // no exchange
    Post(page->Memo1, RecordLine(target, ExtractReplyValue(reply)));
}

void TDevOrbelin::RunPointerRequest(std::uint8_t Code) {
    TformRecords* page = FPages.formRecords;
    if (!page)
        return;
    const bool additional = Code == rqReadAddPointer || Code == rqWriteAddPointer;
    TEdit* field = additional ? page->etAddPointer : page->etPointer;
    if (Code == rqReadPointer || Code == rqReadAddPointer) {
        NoRecordCommand({});
        const std::string reply; // no exchange: the value reads as 0
        Post(field, std::to_string(HexReplyValue(ExtractReplyValue(reply)).value_or(0)));
        return;
    }
    int pointer = 0;
    if (RecordField(field, additional ? AddPointerRole : PointerRole, pointer))
        NoRecordCommand(RecordAddress(pointer));
}
