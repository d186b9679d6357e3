#pragma once
// How a reply is judged: a modem command needs "OK", the dial needs
// "CONNECT", and a unit reply is watched for a lost call and for "ERROR".
// The words are compared case-sensitively, as the modem and the unit send
// them. TModem::CheckReply posts the verdict's message and stops the link
// when the verdict says so.
//
// Threading: a pure function.

#include <cstdint>
#include <string_view>

enum TReplyKind : std::uint8_t {
    ckCommand = 0, // a modem command: needs "OK"
    ckDial = 1,    // the dial command: needs "CONNECT"
    ckLink = 3,    // a unit reply: watched for a lost call and for "ERROR"
};

struct TReplyVerdict {
    int Code = 0;                  // 0 good, 1 failure, 2 "ERROR" (ckLink only)
    const char* Message = nullptr; // the memo line for the operator, if any
    bool Terminate = false;        // the link is to stop
};

// NoReply: nothing with an end mark came (ignored for ckLink).
TReplyVerdict ClassifyReply(bool NoReply, std::string_view Reply, TReplyKind Kind);

// The reply says the line is lost: "NO CARRIER", "DISCONNECT" or "BUSY".
bool ReportsLineLost(std::string_view Reply);
// The modem's result code in a dial's reply ("BUSY", "NO ANSWER", "NO
// CARRIER", "NO DIALTONE", "ERROR"), or empty when it gave none.
std::string_view DialResult(std::string_view Reply);
