#pragma once
// The folder of the running program, ending with the path separator. The
// files kept beside the program (current.ini, Windows.ini, discription.txt,
// log.txt) are found through it.
//
// ORBELIN_HOME, or SetProgramFolderOverride (the --home option of the
// program), points it elsewhere: tests never write beside the executable.

#include <string>

std::string ProgramFolder();
void SetProgramFolderOverride(const std::string& folder); // empty: back to the default
