// The user database transfers: get the records of the users file from a reader (G) or all
// records in data banks (F) into user.dat / user.idx, and restore them to readers one by one
// (R) or in data banks (D). Each step works on the engine's current clock.
#pragma once
#include <cstdint>
#include <string>

#include "reader/rdrdll32.h"

namespace zv {

bool GetUsersClock();
bool GetFullClock();
bool RestoreUsersClock();
bool RestoreFullClock();

// The reader's record of the user with this packed id. False when it gives none, or one for
// another id: stored under the id asked for, it would be restored to every reader as that
// user's.
bool GetOwnUserRecord(const std::uint8_t id[kIdSize], std::uint8_t record[kUserRecordSize]);

// Sends one data bank: its number, a pause, the bank. False after the failure line (and,
// when the bank itself was refused, a longer pause).
bool SendBank(int bank, const std::uint8_t data[kDataBankSize]);

// Failed bank reads in a row after which getting all records gives up.
constexpr int kMaxFailedBankReads = 3;
// G takes the reader to be gone after this many users in a row got no answer at all.
constexpr int kMaxUnansweredUsers = 3;

}  // namespace zv
