// The operating-system layer for files: whole-file reads, crash-safe replacement,
// existence checks and the case-insensitive lookup of file names.
#pragma once
#include <string>

namespace zv {

enum class TReadResult { Ok, CannotOpen, ReadError };
// Reads the whole file. CannotOpen when it cannot be opened for reading (missing,
// no permission); ReadError when it opened but could not be read (a directory, an I/O error).
TReadResult ReadWholeFile(const std::string& path, std::string& out, std::string* error = nullptr);

// Replaces the file with `content` so that it holds either the old or the new bytes, never
// part of them: a temporary file in the same directory is written, flushed and renamed over
// it. An existing file keeps its permissions. False (old file untouched) on any failure.
bool WriteFileAtomic(const std::string& path, const std::string& content, std::string* error = nullptr);

bool FileExists(const std::string& path);       // exists and is not a directory
bool DirectoryExists(const std::string& path);  // exists and is a directory
bool PathExists(const std::string& path);
// Creates the directory and its parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);

// `dir` + `name` when it exists; else the one entry of `dir` whose name equals `name`
// ignoring ASCII case; else `dir` + `name`. `dir` ends with "/".
std::string FindFileIgnoreCase(const std::string& dir, const std::string& name);

// The directory part of a path with a trailing "/", or "./".
std::string DirectoryOf(const std::string& path);

}  // namespace zv
