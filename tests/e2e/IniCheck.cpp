#include "IniCheck.h"

#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "../app/MainWindowRig.h"
#include "toolkit/Cp1251.h"
#include "toolkit/IniDocument.h"

namespace {

using TKeys = std::set<std::pair<std::string, std::string>>;

std::string ReadAll(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TKeys KeysOf(const TIniDocument& doc) {
    TKeys keys;
    for (const std::string& section : doc.Sections())
        for (const std::string& key : doc.Keys(section))
            keys.insert({section, key});
    return keys;
}

// What a window that never connected saves.
const TKeys& SavedKeys() {
    static const TKeys keys = [] {
        TMainWindowRig rig;
        rig.Form.reset();
        TIniDocument doc;
        doc.Parse(ReadAll(rig.Home.File("current.ini")));
        return KeysOf(doc);
    }();
    return keys;
}

} // namespace

std::vector<std::string> CheckCurrentIni(const std::string& FileName,
                                         const TIniExpectation& Expected) {
    const TKeys& wanted = SavedKeys();
    std::vector<std::string> problems;
    const std::string bytes = ReadAll(FileName);
    TIniDocument doc;
    if (bytes.empty() || !doc.Parse(bytes)) {
        problems.push_back("missing, empty or unreadable");
        return problems;
    }
    if (!bytes.ends_with("\r\n"))
        problems.push_back("the last line is cut off");
    const TKeys have = KeysOf(doc);
    for (const auto& [section, key] : wanted)
        if (!have.count({section, key}))
            problems.push_back("no " + section + "/" + key);
    if (doc.Find("Connect", "ComPort") != Utf8ToCp1251Lossy(Expected.Port))
        problems.push_back("ComPort is not " + Expected.Port);
    const auto apn = doc.Find("formGPRS", "etAccessPoint");
    if (!Expected.AccessPoint && apn)
        problems.push_back("etAccessPoint is there, but had no known value");
    if (Expected.AccessPoint && apn != Utf8ToCp1251Lossy(*Expected.AccessPoint))
        problems.push_back("etAccessPoint is not " + *Expected.AccessPoint);
    if (wanted.empty())
        problems.push_back("a window without a connection saved no keys to compare with");
    return problems;
}
