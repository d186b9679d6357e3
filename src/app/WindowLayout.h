#pragma once
// The window layout kept in "Windows.ini" beside the program: a form's
// position, size and maximised state, and the sizes of its panels, tree
// views, data grids and tool bars, in one section named after the form.
//
// Threading: GUI thread.

class TForm;

// Writes the form's section. Throws EFileError naming the file when it
// cannot be written; the file is then unchanged.
void SaveWindowLayout(TForm& Form);

// Applies what the form's section holds; keys that are missing leave the
// form's design values. Never fails: a missing or damaged file gives the
// design layout, maximised.
void LoadWindowLayout(TForm& Form);
