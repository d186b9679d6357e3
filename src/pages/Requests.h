#pragma once
// Request codes: the one-byte job the main window and the pages hand to the
// link thread (its Mode). Codes 2, 7, 15 and 16 are unused.

#include <cstdint>

constexpr std::uint8_t rqIdle = 0;
constexpr std::uint8_t rqConnect = 1;
constexpr std::uint8_t rqReadPage = 3;
constexpr std::uint8_t rqWritePage = 4;
constexpr std::uint8_t rqReadAll = 5;
constexpr std::uint8_t rqWriteAll = 6;
constexpr std::uint8_t rqReadRecordAt = 8;
constexpr std::uint8_t rqReadBlock = 9;
constexpr std::uint8_t rqReadNextRecord = 10;
constexpr std::uint8_t rqReadPointer = 11;
constexpr std::uint8_t rqReadAddPointer = 12;
constexpr std::uint8_t rqWritePointer = 13;
constexpr std::uint8_t rqWriteAddPointer = 14;
constexpr std::uint8_t rqErase = 17;
constexpr std::uint8_t rqDebugRead = 18;
constexpr std::uint8_t rqDebugWrite = 19;
constexpr std::uint8_t rqWriteRecord = 20;
constexpr std::uint8_t rqGPSRestart = 21;
constexpr std::uint8_t rqSetOutputs = 22;
constexpr std::uint8_t rqReadParam = 23;
constexpr std::uint8_t rqWriteParam = 24;
constexpr std::uint8_t rqResetFlags = 25;
