// The emulator's state file: a line-based text format (docs/emulator.md), read at start and
// written atomically.
#pragma once
#include <string>

#include "emulator/emustate.h"

namespace zv {

// False with a message naming the line when the text is not a valid state.
bool ParseState(const std::string& text, TEmuState& state, std::string& error);
std::string FormatState(const TEmuState& state);

bool LoadStateFile(const std::string& path, TEmuState& state, std::string& error);
bool SaveStateFile(const std::string& path, const TEmuState& state, std::string& error);

std::string ToHex(const uint8_t* data, std::size_t len);
// Exactly len bytes from 2 * len hex digits.
bool FromHex(const std::string& hex, uint8_t* out, std::size_t len);

}  // namespace zv
