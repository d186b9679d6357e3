#include "pages/f_Debug.h"

#include <QGridLayout>

#include "queue/Protocol.h"

namespace {
constexpr int CommandWidth = 65;
constexpr int ValueWidth = 257;
constexpr int RowPitch = 33;
const std::string ButtonPrefix = "Button";
} // namespace

std::optional<int> ButtonNumber(const std::string& name) {
    if (name.size() <= ButtonPrefix.size() || name.compare(0, ButtonPrefix.size(), ButtonPrefix))
        return std::nullopt;
    int number = 0;
    for (std::size_t i = ButtonPrefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (c < '0' || c > '9' || number > 100000)
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

Tform_Debug::Tform_Debug(TForm* Owner, QWidget* Parent)
    : TSettingsPage(Owner, "form_Debug", Parent) {
    auto* rows = new QWidget;
    auto* grid = new QGridLayout(rows);
    // Column headings, so that the two fields of a row are not taken for a
    // command split in two.
    grid->addWidget(NewCaption(this, "lbCommand", "Команда", rows), 0, 0);
    grid->addWidget(NewCaption(this, "lbValue", "Значение", rows), 0, 1);
    for (int r = 1; r <= RowCount; ++r) {
        const int n = 2 * r - 1;
        auto* command = new TEdit(this, "Edit" + std::to_string(n), rows);
        auto* value = new TEdit(this, "Edit" + std::to_string(n + 1), rows);
        auto* read = new TButton(this, "Button" + std::to_string(n), rows);
        auto* write = new TButton(this, "Button" + std::to_string(n + 1), rows);
        command->SetWidth(CommandWidth);
        value->SetWidth(ValueWidth);
        read->SetCaption("Прочитать");
        write->SetCaption("Записать");
        for (TButton* b : {read, write}) {
            b->SetWidth(75);
            b->SetHeight(25);
        }
        read->OnClick = [this](QObject* s) { Button1Click(s); };
        write->OnClick = [this](QObject* s) { Button2Click(s); };
        grid->addWidget(command, r, 0);
        grid->addWidget(value, r, 1);
        grid->addWidget(read, r, 2);
        grid->addWidget(write, r, 3);
        grid->setRowMinimumHeight(r, RowPitch);
        FEdits[n] = command;
        FEdits[n + 1] = value;
        FButtons[n] = read;
        FButtons[n + 1] = write;
    }
    grid->setVerticalSpacing(0);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(RowCount + 1, 1);
    ScrollBox1->SetContent(rows);
}

TEdit* Tform_Debug::EditN(int number) const {
    return number >= 1 && number <= FieldCount ? FEdits[number] : nullptr;
}

TButton* Tform_Debug::ButtonN(int number) const {
    return number >= 1 && number <= FieldCount ? FButtons[number] : nullptr;
}

void Tform_Debug::PostRow(QObject* sender, int offset, std::uint8_t code) {
    auto* button = dynamic_cast<TButton*>(sender);
    if (!button)
        return;
    const std::optional<int> number = ButtonNumber(button->Name());
    if (!number)
        return;
    const int previous = FRow.load();
    Services().PostPrepared(
        code, [this, row = *number - offset] { FRow = row; },
        [this, previous] { FRow = previous; });
}

void Tform_Debug::Button1Click(QObject* Sender) {
    PostRow(Sender, 0, rqDebugRead);
}

void Tform_Debug::Button2Click(QObject* Sender) {
    PostRow(Sender, 1, rqDebugWrite);
}
