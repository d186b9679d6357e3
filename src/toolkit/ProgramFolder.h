#pragma once
// The folder of the running program, ending with the path separator. The
// files kept beside the program (current.ini, Windows.ini, discription.txt,
// log.txt) are found through it.
//
// ORBELIN_HOME, or SetProgramFolderOverride (the --home option of the
// program, or the user's configuration folder for an installed program),
// points it elsewhere: tests never write beside the executable.

#include <string>

std::string ProgramFolder();
void SetProgramFolderOverride(const std::string& folder); // empty: back to the default

// The folder of the running executable, whatever the override says.
std::string ExecutableFolder();
// The data installed with the program ("<prefix>/share/orbelin/" beside
// "<prefix>/bin"), or empty when the program is not installed that way.
std::string InstalledDataFolder();
// The program keeps its files beside itself: it runs from a folder of its
// own (a build tree, a portable copy) that the user may write. An installed
// program keeps them in the user's configuration folder instead, also when
// run by a user who could write into the system's folders.
bool FilesBesideProgram();
