#include "pages/SettingsPage.h"

#include <QLabel>
#include <QVBoxLayout>

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

TEdit* NewRowEdit(TForm* owner, int page, const char* name, QWidget* parent) {
    const TParamDef* row = ParamOfControl(page, name);
    TEdit* edit = NewParamEdit(owner, name, ParamTag(page, name), row ? row->Default : "", parent);
    edit->SetMaxLength(row ? row->Length : 0);
    return edit;
}

TSpinEdit* NewParamSpinEdit(TForm* owner, int page, const char* name, QWidget* parent) {
    auto* spin = new TSpinEdit(owner, name, parent);
    const TParamDef* row = ParamOfControl(page, name);
    if (row && row->Range.Set()) {
        spin->SetMinValue(static_cast<int>(row->Range.Min));
        spin->SetMaxValue(static_cast<int>(row->Range.Max));
    }
    if (const auto value = row ? StrToIntStrict(row->Default) : std::nullopt) {
        spin->SetValue(*value);
        spin->SetHint(row->Default);
    }
    spin->SetTag(ParamTag(page, name));
    return spin;
}

TPanel* NewBackgroundPanel(TForm* Owner, QWidget* Parent) {
    auto* panel = new TPanel(Owner, "", Parent);
    panel->SetBevel(TBevelKind::None);
    return panel;
}
