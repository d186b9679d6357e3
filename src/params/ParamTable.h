#pragma once
// The unit's parameters, one row each, in the order a page exchanges them:
// the page, the commands that read and write it, how its value maps to the
// page's controls (its codec and form), the controls and their lamps, and
// the unit generations that have it. The device exchanges a page by walking
// its rows; the walks count their steps from here; the settings file keeps
// the controls in this order; orbelin-batch's columns are these controls.
// Adding a field is one row here and its control's member on its page
// (see TParamPage::AddFieldRows).
//
// Rows that only show the unit's state (the power state, the event flags)
// have no controls to keep; a page option (the switch of the engineering
// numbers) has controls but no command.
//
// Threading: the table is constant.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "params/ParamForm.h"

// The pages' numbers, as their tree entries carry them and the parameter
// table files its rows under.
enum TPageNumber : int {
    pgCommon = 1,
    pgAcc = 2,
    pgGPRS = 3,
    pgRecords = 4,
    pgDebug = 5,
    pgPhones = 6,
    pgInOut = 7,
    pgFlags = 8,
    pgGPS = 9,
};

// How a parameter's value maps to its controls.
enum class TParamCodec : std::uint8_t {
    Field,      // one edit or spin edit holding the value in its form
    Number,     // an engineering number: read "+f0n", written "+f" and n in two hex digits
    Switch,     // a check box: "00" on, "FF" off, written as the whole command
    TestFlag,   // a check box: bit 0 set means off, written "+K00" (on) or "+K01"
    Bits,       // check boxes by bit of one flag byte; other bits kept as the unit has them
    InputMasks, // five boxes by bit of the restore mask, then the mode's three buttons
    EventCode,  // a nine-character event code and its box (generation 1)
    Outputs,    // the outputs by bit: read with the page, written by its own request
    AnyOn,      // one box, on for any value but zero (generation 1's output)
    Status,     // the present state: shown, not kept
    EventFlags, // the latched event flags: shown, not kept
    Option,     // a page option the settings file keeps; never sent
};

// Generations as bits: 1 << generation.
inline constexpr std::uint8_t GenAll = 0b111;
inline constexpr std::uint8_t Gen0 = 0b001;
inline constexpr std::uint8_t Gen1 = 0b010;
inline constexpr std::uint8_t Gen02 = 0b101;

// The keys typing into a field takes.
enum class TFieldKeys : std::uint8_t {
    Any,
    Digits,
    DigitsPlus, // digits and a leading "+" (a phone number)
};

// What a field (a Field row's control) takes and shows. Typing gives at
// most Length characters of the keys Keys and, when the rule has a range,
// a number in it. A spin edit shows no number outside its range at all; an
// edit shows any, and only typing is held to the range.
struct TValueRule {
    long long Min = 1; // the range, when Min <= Max
    long long Max = 0;
    int Length = 0; // 0: any
    TFieldKeys Keys = TFieldKeys::Any;
    bool Spin = false;

    bool Ranged() const { return Min <= Max; }
};

struct TParamDef {
    int Page; // the page's number (TPageNumber)
    // The tag of its first control: the number its description goes by; 0
    // for none.
    int Tag;
    TParamCodec Codec;
    const char* Read;                    // the command that reads it; "" for none
    const char* Write;                   // the command, or its start, that writes it; "" for none
    TParamForm Form;                     // the value's form (Field, Number, Bits: its hex digits)
    std::array<const char*, 8> Controls; // Bits, InputMasks, Outputs: by bit
    std::array<const char*, 4> Lamps;
    std::uint8_t ReadIn;      // generations that read it
    std::uint8_t WriteIn;     // generations that write it in a page write
    TValueRule Rule;          // Field: what its control takes
    bool Secret = false;      // a password: reports and journals show "***"
    const char* Default = ""; // Field, Switch, TestFlag: the value "defaults"
                              // give it (its hint) and a spin edit or box
                              // starts with ("true"/"false" for a box)
    const char* Caption = ""; // the same: the caption its lamp shows

    bool ReadInGeneration(int Generation) const;
    bool WrittenInGeneration(int Generation) const;
    // Its controls and lamps that are named (the arrays end early).
    std::vector<std::string> ControlNames() const;
    std::vector<std::string> LampNames() const;
    // Whether the settings file keeps its controls.
    bool Stored() const;
};

std::span<const TParamDef> ParamTable();

// How a report or journal shows a value of the row: "***" for a password.
// Every text that can outlive the screen takes a row's value through here.
std::string ShownInReports(const TParamDef& Row, const std::string& Value);
// A note that the unit holds Value (not what was sent, or not what a field
// can show), the value shown as reports show it.
std::string HeldNote(const TParamDef& Row, const std::string& Value);

// The rows of one page, in table order.
std::vector<const TParamDef*> ParamsOfPage(int Page);
// The page's first row of that codec (the state and flags rows), or none.
const TParamDef* ParamOfCodec(int Page, TParamCodec Codec);
// The row that holds a control of that name on that page, or none.
const TParamDef* ParamOfControl(int Page, const std::string& Control);

// The tag of a control of that name on that page: its row's for the row's
// first control, 0 for any other.
int ParamTag(int Page, const std::string& Control);

// Commands one read and one write of a page exchange with a unit of this
// generation.
int PageReadSteps(int Page, int Generation);
int PageWriteSteps(int Page, int Generation);

// Every control a settings file keeps for the page, in table order, each
// once.
std::vector<std::string> StoredControls(int Page);
