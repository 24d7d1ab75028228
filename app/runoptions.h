// The options a run takes before its operations: `--parallel-lines N`, which wins over the
// ParallelLines setting for that run.
#pragma once
#include <string>
#include <vector>

namespace zv {

struct TRunOptions {
  int ParallelLines = 0;  // 0: as the settings say
};

// Takes the options this program knows from among the leading parameters that start with
// "-" (others are left where they are, for their own readers); the first operation ends the
// search, so an operation is never taken for an option. False, with the line to print in
// `error`, when an option's value is missing or not a number of lines from 1 to 64.
bool TakeRunOptions(std::vector<std::string>& params, TRunOptions& options, std::string& error);

}  // namespace zv
