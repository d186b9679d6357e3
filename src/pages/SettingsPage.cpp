#include "pages/SettingsPage.h"

#include <QLabel>
#include <QVBoxLayout>

#include "pages/PageOps.h"
#include "queue/Protocol.h"

namespace {
const char* const EmptyNoteText = "В прошивке этого устройства таких настроек нет.";
}

TSettingsPage::TSettingsPage(TForm* Owner, std::string Name, QWidget* Parent)
    : TForm(Owner, std::move(Name), Parent) {
    ScrollBox1 = new TScrollBox(this, "ScrollBox1");
    FEmptyNote = new QLabel(QStr(EmptyNoteText), this);
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
        const bool entered = ((kinds & rkEdits) && dynamic_cast<TEdit*>(o)) ||
                             ((kinds & rkSpinEdits) && dynamic_cast<TSpinEdit*>(o)) ||
                             ((kinds & rkCheckBoxes) && dynamic_cast<TCheckBox*>(o)) ||
                             ((kinds & rkRadioButtons) && dynamic_cast<TRadioButton*>(o));
        if (entered)
            FRefValues.AddBlank(c->Name());
    }
    FWasRead = false;
    FWasWritten = false;
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

TPanel* NewBackgroundPanel(TForm* Owner, QWidget* Parent) {
    auto* panel = new TPanel(Owner, "", Parent);
    panel->SetBevel(TBevelKind::None);
    return panel;
}
