#include "pages/SettingsPage.h"

#include <QLabel>
#include <QVBoxLayout>

#include <limits>
#include <stdexcept>

#include "pages/HintWindow.h"
#include "pages/PageOps.h"
#include "params/ParamTable.h"
#include "queue/Protocol.h"
#include "toolkit/TextUtil.h"

TSettingsPage::TSettingsPage(TForm* Owner, std::string Name, QWidget* Parent)
    : TForm(Owner, std::move(Name), Parent) {
    ScrollBox1 = new TScrollBox(this, "ScrollBox1");
    FEmptyNote = new QLabel(QStr(ContentMissingText), this);
    FEmptyNote->setMargin(8);
    FEmptyNote->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FEmptyNote, 0, Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(ScrollBox1, 1);
}

const TPageServices& TSettingsPage::Services() const {
    static const TPageServices none;
    return FServices ? *FServices : none;
}

void TSettingsPage::ShowEmptyNote(bool empty) {
    FEmptyNote->setVisible(empty);
    ScrollBox1->SetVisible(!empty);
}

bool TSettingsPage::EmptyNoteShown() const {
    return FEmptyNote->isVisibleTo(this);
}

TParamPage::TParamPage(TForm* Owner, std::string Name, QWidget* Parent)
    : TSettingsPage(Owner, std::move(Name), Parent) {}

void TParamPage::BuildRefValues(unsigned kinds) {
    for (TComponentInfo* c : Components()) {
        QObject* o = c->Object();
        const TValueControl control(o);
        const bool entered = ((kinds & rkEdits) && control.IsEdit()) ||
                             ((kinds & rkSpinEdits) && control.IsSpin()) ||
                             ((kinds & rkCheckBoxes) && control.IsBox() && !control.IsRadio()) ||
                             ((kinds & rkRadioButtons) && control.IsRadio());
        if (!entered)
            continue;
        FRefValues.AddBlank(c->Name());
        // Whatever changes the value — typing, a click, a page rule acting
        // on either — counts as the operator's unless its source noted it.
        const auto follow = [this, o, name = c->Name()] {
            if (const auto value = ShownValue(o))
                FRefValues.Shows(name, *value);
            // A choice among radio buttons is the operator's for the whole
            // group: the buttons it clears are set as much as the one it checks.
            auto* radio = dynamic_cast<TRadioButton*>(o);
            if (!radio || FRefValues.Record(name).Source != TValueSource::Operator)
                return;
            for (TComponentInfo* other : Components())
                if (auto* sibling = dynamic_cast<TRadioButton*>(other->Object());
                    sibling && sibling != radio && sibling->parent() == radio->parent())
                    FRefValues.Given(other->Name(), TValueSource::Operator,
                                     QueueWord::Bool(sibling->Checked()));
        };
        if (auto* edit = dynamic_cast<QLineEdit*>(o))
            connect(edit, &QLineEdit::textChanged, this, follow);
        else if (auto* spin = dynamic_cast<QSpinBox*>(o))
            connect(spin, &QSpinBox::textChanged, this, follow);
        else if (auto* button = dynamic_cast<QAbstractButton*>(o))
            connect(button, &QAbstractButton::toggled, this, follow);
        // Nobody has given the value a control starts with (and a sibling
        // button's start is no operator's choice either).
        FRefValues.Given(c->Name(), TValueSource::None, ShownValue(o).value_or(""));
    }
    FWasRead = false;
    FWasWritten = false;
}

std::string TParamPage::ParamCaption(const std::string& Control) const {
    const QObject* control = FindComponent(Control);
    if (!control)
        return {};
    for (TComponentInfo* c : Components())
        if (auto* label = dynamic_cast<TLabel*>(c->Object()); label && label->buddy() == control)
            return TrimBlanks(label->Caption());
    if (const auto* button = dynamic_cast<const QAbstractButton*>(control))
        return TrimBlanks(StdStr(button->text()));
    return {};
}

void TParamPage::NoteGiven(QObject* control, TValueSource source) {
    if (const TComponentInfo* info = ComponentInfoOf(control))
        if (const auto value = ShownValue(control))
            FRefValues.Given(info->Name(), source, *value);
}

std::optional<std::string> ShownValue(const QObject* control) {
    const TValueControl value(control);
    if (!value)
        return std::nullopt;
    return value.IsText() ? value.Text() : std::string(QueueWord::Bool(value.Checked()));
}

void NoteGiven(QObject* control, TValueSource source) {
    const TComponentInfo* info = ComponentInfoOf(control);
    if (auto* page = info ? dynamic_cast<TParamPage*>(info->Owner()) : nullptr)
        page->NoteGiven(control, source);
}

void TParamPage::MarkIfActive(QObject* sender) {
    if (MarkingActive())
        MarkChanged(sender, FRefValues);
}

TLabel* NewCaption(TForm* owner, const char* name, const std::string& caption, QWidget* parent) {
    auto* label = new TLabel(owner, name, parent);
    label->SetCaption(caption);
    return label;
}

TEdit* NewParamEdit(TForm* owner, const char* name, int tag, const std::string& defaultValue,
                    QWidget* parent) {
    auto* edit = new TEdit(owner, name, parent);
    edit->SetTag(tag);
    edit->SetHint(defaultValue);
    return edit;
}

TCheckBox* NewParamCheckBox(TForm* owner, const char* name, int tag, bool defaultValue,
                            QWidget* parent) {
    auto* box = new TCheckBox(owner, name, parent);
    box->SetTag(tag);
    box->SetHint(QueueWord::Bool(defaultValue));
    return box;
}

namespace {

TKeyFilter KeyFilterOf(TFieldKeys keys) {
    switch (keys) {
    case TFieldKeys::Digits:
        return TKeyFilter::Digits;
    case TFieldKeys::DigitsPlus:
        return TKeyFilter::DigitsPlus;
    case TFieldKeys::Any:
        break;
    }
    return TKeyFilter::None;
}

// The field's number, an empty field reading as 0; nothing when the text
// holds anything but digits (pasted text). Very long numbers saturate rather
// than fail, so that they are still clamped.
std::optional<long long> TypedNumber(const std::string& text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        if (value <= (std::numeric_limits<long long>::max() - 9) / 10)
            value = value * 10 + (c - '0');
    }
    return value;
}

void ClampTyped(TEdit* field, const TValueRule& rule) {
    if (field->ChangingByCode() || !rule.Ranged())
        return;
    if (const auto value = TypedNumber(field->Text()); value && *value < rule.Min)
        field->SetText(std::to_string(rule.Min));
    if (const auto value = TypedNumber(field->Text()); value && *value > rule.Max)
        field->SetText(std::to_string(rule.Max));
}

} // namespace

std::vector<TParamPage::TCreatedField>
TParamPage::AddFields(int page, const std::vector<TFieldMember>& members, QWidget* parent) {
    const auto hint = [this](QObject* s, QPoint) {
        ShowParameterHint(qobject_cast<QWidget*>(s), Services());
    };
    std::vector<TCreatedField> created;
    for (const TFieldMember& m : members) {
        const TParamDef* row = ParamOfControl(page, m.Name);
        const bool box =
            row && (row->Codec == TParamCodec::Switch || row->Codec == TParamCodec::TestFlag);
        const bool field = row && row->Codec == TParamCodec::Field;
        if (!(m.Box ? box : field && row->Rule.Spin == (m.Spin != nullptr)))
            throw std::logic_error(std::string("no row of its sort for ") + m.Name);
        *m.Caption = NewCaption(this, row->Lamps[0], row->Caption, parent);
        QWidget* control = nullptr;
        if (m.Box) {
            const bool on = SameTextAscii(row->Default, QueueWord::True);
            TCheckBox* check = NewParamCheckBox(this, m.Name, row->Tag, on, parent);
            check->SetChecked(on);
            check->OnMouseUp = [this](QObject* s, Qt::MouseButton, QPoint) { MarkIfActive(s); };
            check->OnMouseMove = hint;
            *m.Box = check;
            control = check;
        } else if (m.Spin) {
            auto* spin = new TSpinEdit(this, m.Name, parent);
            spin->SetMinValue(static_cast<int>(row->Rule.Min));
            spin->SetMaxValue(static_cast<int>(row->Rule.Max));
            if (const auto value = StrToIntStrict(row->Default)) {
                spin->SetValue(*value);
                spin->SetHint(row->Default);
            }
            spin->SetTag(row->Tag);
            spin->OnChange = [this](QObject* s) { MarkIfActive(s); };
            spin->OnMouseMove = hint;
            *m.Spin = spin;
            control = spin;
        } else {
            TEdit* edit = NewParamEdit(this, m.Name, row->Tag, row->Default, parent);
            edit->SetMaxLength(row->Rule.Length);
            edit->SetKeyFilter(KeyFilterOf(row->Rule.Keys));
            edit->OnChange = [this, edit, row](QObject* s) {
                ClampTyped(edit, row->Rule);
                MarkIfActive(s);
            };
            edit->OnMouseMove = hint;
            *m.Edit = edit;
            control = edit;
        }
        created.push_back({row, *m.Caption, control});
    }
    return created;
}

TPanel* NewBackgroundPanel(TForm* Owner, QWidget* Parent) {
    auto* panel = new TPanel(Owner, "", Parent);
    panel->SetBevel(TBevelKind::None);
    return panel;
}
