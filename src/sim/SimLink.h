#pragma once
// A symbolic link kept at a fixed path to the simulator's port, so a person or
// a script can use the same name on every run. A stale link from an earlier
// run is replaced; any other file at that path is left alone (error).
// Threading: one owner.

#include <string>

class TSimLink {
public:
    TSimLink(std::string linkPath, std::string target); // throws std::runtime_error
    ~TSimLink(); // removes the link if it still points to the target
    TSimLink(const TSimLink&) = delete;
    TSimLink& operator=(const TSimLink&) = delete;

    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
    std::string FTarget;
};
