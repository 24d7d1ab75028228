// The operating-system layer for files: whole-file reads, crash-safe replacement,
// existence checks and the case-insensitive lookup of file names.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace zv {

enum class TReadResult { Ok, CannotOpen, ReadError };
// Reads the whole file. CannotOpen when it cannot be opened for reading (missing,
// no permission); ReadError when it opened but could not be read (a directory, an I/O error).
TReadResult ReadWholeFile(const std::string& path, std::string& out, std::string* error = nullptr);

// Replaces the file with `content` so that it holds either the old or the new bytes, never
// part of them: a temporary file in the same directory is written, flushed and renamed over
// it. A symbolic link is written through: the file it leads to is replaced, in that file's
// directory, and the link stays. An existing file keeps its mode, and its owner and group as
// far as the process may set them. Two cases are written in place instead, flushed, with the
// room claimed first: a file with several hard links (so every name sees the change), and a
// writable file in a directory that is not. False on any failure, the old file whole (but for
// an input/output error in the middle of an in-place write, and for a failed flush of the
// directory after the rename: the new file is then in place, but a power cut may undo it).
bool WriteFileAtomic(const std::string& path, const std::string& content, std::string* error = nullptr);
// The path with every symbolic link at its end followed (also to a target that does not exist
// yet); the path itself when it is no link or the links loop.
std::string ResolveLinks(const std::string& path);

// Writes the bytes at the file position, going on after interrupted and short writes; answers
// how many were written before the first failure (all `n` on success).
std::size_t WriteFully(int fd, const void* data, std::size_t n);
// The same at the file offset `at`, leaving the position alone; true when all were written.
bool WriteFullyAt(int fd, const void* data, std::size_t n, std::uint64_t at);
// Makes the entry of the file in its directory durable (after a create or a rename).
bool SyncDirectoryOf(const std::string& path);

bool FileExists(const std::string& path);       // exists and is not a directory
bool DirectoryExists(const std::string& path);  // exists and is a directory
bool PathExists(const std::string& path);
// Creates the directory and its parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);

// `dir` + `name` when it exists; else the first entry of `dir` whose name equals `name`
// ignoring ASCII case; else `dir` + `name`. `dir` ends with "/". With `ambiguous`, it is set
// when there is no exact name and more than one such entry, and `dir` + `name` is answered.
std::string FindFileIgnoreCase(const std::string& dir, const std::string& name,
                               bool* ambiguous = nullptr);

// The directory part of a path with a trailing "/", or "./".
std::string DirectoryOf(const std::string& path);

}  // namespace zv
