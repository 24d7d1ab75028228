// The main window's text area as a plain-text editor: the File and Edit commands, the save
// question, the guarded system files, and documents too large for the text area.
#pragma once
#include <cstddef>
#include <string>

namespace zv {

class TfrmZorvan;

// Connects the File, Edit, View and Help items to the editor, the views, the Users List
// report and the About box; the document's folder starts as the folder the program was
// started in.
void ConnectEditorMenus(TfrmZorvan& frm);

// The installed manual (the README among the package's documents, beside the program's
// prefix), and Help > Manual: opened with the desktop's viewer, or a warning naming where it
// should be.
std::string ManualPath(const std::string& programPath);
void ShowManual(TfrmZorvan& frm);

// Files larger than this are shown read-only in a view that draws only the lines on screen;
// the plain text area would need seconds and some ten times their size per megabyte.
std::size_t& LargeDocumentBytes();

// The bare file name of a path (after the last "/").
std::string BareFileName(const std::string& path);

// What the editor does when it saves over a file of this lower-cased bare name.
enum class TSystemFileKind { None, Protected, Confirmed };
TSystemFileKind SystemFileKind(const std::string& lowerName);

}  // namespace zv
