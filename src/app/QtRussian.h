#pragma once
// Qt's own texts in Russian, like the rest of the program: the standard
// buttons ("Отмена"), the file dialogs, the context menus of the fields.
// Qt's translation is taken from a "translations" folder beside the program
// (where a portable Windows copy keeps it) or else from Qt's installed
// translations; numbers and dates in Qt's dialogs follow Russian rules too.
//
// Threading: GUI thread, once, after the application object exists.

class QCoreApplication;

// True when Qt's translation was found and installed.
bool InstallRussianQtTexts(QCoreApplication& App);
