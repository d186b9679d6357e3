#pragma once
// The base of every settings page: a borderless form whose content scrolls
// in ScrollBox1 when the page area is smaller than it. Parameter pages add
// their reference table FRefValues and the flags that switch change marking
// on (FWasRead, FWasWritten).
//
// Threading: pages are built and used on the GUI thread. The link thread may
// use FRefValues and the two flags (and, through the form, the controls'
// snapshots and tags) at any time.

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "pages/PageServices.h"
#include "pages/RefValues.h"
#include "toolkit/Controls.h"

// What a page says when the unit's firmware has none of its settings.
inline constexpr const char* ContentMissingText = "В прошивке этого устройства таких настроек нет.";

class TSettingsPage : public TForm {
public:
    TScrollBox* ScrollBox1;

    // Runs once SetPageDefaults has given every control its default value.
    virtual void AfterDefaults() {}

    // A page whose content the unit's firmware does not have shows one line
    // that says so in place of its scroll box, rather than an empty area.
    void ShowEmptyNote(bool Empty);
    bool EmptyNoteShown() const;
    // Pages whose content only some generations have show or hide it here.
    virtual void SetContentVisible(bool) {}

    // What the page asks of the program (see PageServices.h); empty ones
    // until the page is given its own, which must outlive it.
    const TPageServices& Services() const;
    void SetServices(const TPageServices* Services) { FServices = Services; }

protected:
    TSettingsPage(TForm* Owner, std::string Name, QWidget* Parent);

private:
    QLabel* FEmptyNote;
    const TPageServices* FServices = nullptr;
};

// Which controls a page enters in its reference table at creation.
enum TRefKind : unsigned {
    rkEdits = 1,
    rkSpinEdits = 2,
    rkCheckBoxes = 4,
    rkRadioButtons = 8,
};

struct TParamDef;

// A parameter's control as its page's header names it: the member that
// holds it (an edit, a spin edit or a check box) and the caption member
// beside it, "lb" and its name unless given. PARAM_FIELD(etObjNum) names
// both; the control's row in the parameter table, found by the member's
// name, gives everything else.
struct TFieldMember {
    TFieldMember(const char* Member, TLabel** CaptionMember, TEdit** EditMember)
        : Name(Member), Caption(CaptionMember), Edit(EditMember) {}
    TFieldMember(const char* Member, TLabel** CaptionMember, TSpinEdit** SpinMember)
        : Name(Member), Caption(CaptionMember), Spin(SpinMember) {}
    TFieldMember(const char* Member, TLabel** CaptionMember, TCheckBox** BoxMember)
        : Name(Member), Caption(CaptionMember), Box(BoxMember) {}

    const char* Name;
    TLabel** Caption;
    TEdit** Edit = nullptr;
    TSpinEdit** Spin = nullptr;
    TCheckBox** Box = nullptr;
};
#define PARAM_FIELD(Member) TFieldMember(#Member, &lb##Member, &Member)
#define PARAM_FIELD_CAPTIONED(Member, Caption) TFieldMember(#Member, &Caption, &Member)

class TParamPage : public TSettingsPage {
public:
    TRefValues FRefValues;
    std::atomic<bool> FWasRead{false};
    std::atomic<bool> FWasWritten{false};

    // Edits are compared with the reference values while either flag is set.
    bool MarkingActive() const { return FWasRead.load() || FWasWritten.load(); }

    // What the window calls the value control of that name: its caption
    // (the label whose buddy it is, else its own text); empty for none.
    virtual std::string ParamCaption(const std::string& Control) const;

    // The value control Control now shows a value given by Source (a file,
    // the defaults, or nothing at all); a change of its value made any other
    // way is the operator's (see TRefValues::Shows).
    void NoteGiven(QObject* Control, TValueSource Source);

protected:
    TParamPage(TForm* Owner, std::string Name, QWidget* Parent);

    // Enters "name= " for every component of the given kinds, in creation
    // order, clears both flags, and follows the values those controls show.
    void BuildRefValues(unsigned Kinds);
    // The change handler every parameter page shares.
    void MarkIfActive(QObject* Sender);

    // A field AddFields created, with its row and its caption.
    struct TCreatedField {
        const TParamDef* Row;
        TLabel* Caption;
        QWidget* Field;
    };
    // Creates each member's caption and control on Parent, in the order
    // given: the row gives the caption's name and text, the control's tag
    // and default and a field's length, keys and range. A change of the
    // control marks it (a typed number outside the row's range is clamped to
    // it first); the pointer over it shows its description. A member without
    // a row on the page, or of another sort than its row, is a programming
    // error (std::logic_error).
    std::vector<TCreatedField> AddFields(int Page, const std::vector<TFieldMember>& Members,
                                         QWidget* Parent);
};

// The value of a value control as its record keeps it: an edit's or spin
// edit's text, "true" or "false" for a check box or radio button; nothing
// for any other control.
std::optional<std::string> ShownValue(const QObject* Control);

// Control's page records that the control shows a value given by Source;
// nothing for a control that is not on a parameter page.
void NoteGiven(QObject* Control, TValueSource Source);

// Controls as the pages create them: a caption label, and value controls
// carrying their parameter number (tag) and default value (hint).
TLabel* NewCaption(TForm* Owner, const char* Name, const std::string& Caption, QWidget* Parent);
TEdit* NewParamEdit(TForm* Owner, const char* Name, int Tag, const std::string& Default,
                    QWidget* Parent);
TCheckBox* NewParamCheckBox(TForm* Owner, const char* Name, int Tag, bool Default, QWidget* Parent);
// A container without a frame, for pages whose scrolled content is more than
// one group box. Its pointer moves count as moves over the page background.
TPanel* NewBackgroundPanel(TForm* Owner, QWidget* Parent);
