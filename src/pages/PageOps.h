#pragma once
// Operations on the value controls of a whole page (or of one control): the
// change marks against the reference table, clearing before a read, resetting
// marks before a write, the default values kept in the controls' hints, and
// the single-parameter request marks kept in their tags.
//
// Threading: RestoreParameterTags from any thread (tags are atomic); the rest
// on the GUI thread.

#include <QObject>

#include "pages/RefValues.h"

class TForm;

// Bold and underlined while the control's value differs from its reference
// value; a check box or radio button then also shows "!" as its caption.
void MarkChanged(QObject* Control, const TRefValues& Table);

// Before a read: every label back to the window-text colour and regular
// style, edits emptied, check boxes unchecked, every change mark removed.
void ClearPageValues(TForm* Page);

// Before a write: every label and every change mark back to normal; values stay.
void ResetChangeMarks(TForm* Page);

// Gives every value control its default (its hint), then lets the page react.
void SetPageDefaults(TForm* Page);

// Gives one value control its default: the text of an edit or spin edit, the
// state of a check box or radio button ("true"/"false", letter case ignored).
void ApplyDefault(QObject* Control);
// Whether the control already shows what ApplyDefault would give it (a
// control without a default of its kind always does).
bool ShowsDefault(const QObject* Control);

// A single-parameter request adds this to the tag of the one control it is
// for, so that the device layer exchanges only that parameter.
constexpr int ParameterMark = 1000;
inline bool HasParameterMark(int Tag) {
    return Tag / ParameterMark != 0;
}

// Removes the single-parameter marks: every tag back below 1000.
void RestoreParameterTags(TForm* Page);
