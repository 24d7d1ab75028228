// The part of the record editor dialogs that needs no widgets: the result of an entry
// check, the number and text rules the checks share, and the save question.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "util/msgbox.h"

namespace zv {

// A failed entry check: the message shown and the objectName of the control that gets the
// input focus after the box closes.
struct TCheckFailure {
  std::string message;
  std::string focus;
  bool operator==(const TCheckFailure& o) const {
    return message == o.message && focus == o.focus;
  }
};
// No value: the entries passed.
using TCheck = std::optional<TCheckFailure>;

inline TCheck Fails(std::string message, std::string focus) {
  return TCheckFailure{std::move(message), std::move(focus)};
}

// A text as the dialogs take it from an edit or an editable combo box: blanks and control
// characters removed at both ends.
std::string Trimmed(const std::string& text);
// The trimmed text is not empty (the "if filled" of the checks).
bool Filled(const std::string& text);
// The trimmed text read as a whole decimal number, or `def` when it is not one.
long long ValueOf(const std::string& text, long long def);
// The trimmed text is not empty and its value (default `def`) lies outside low..high.
bool FilledOutside(const std::string& text, long long def, long long low, long long high);

// Free text goes into a table file whose fields are separated by ","; a comma in it would
// cut the text at the next load. `what` names the field in the message:
// "Commas not allowed in " + what + ".".
TCheck NoCommas(const std::string& text, const std::string& what, const std::string& focus);

// Whether the fields on screen hold unsaved changes, and the question asked before they are
// dropped.
class TEditorState {
 public:
  bool Modified = false;

  // No when nothing is modified (nothing is asked); otherwise the answer to
  // "Save changes to the current record?", where a Yes whose save fails becomes Cancel.
  TMsgButton QuerySave(const std::function<bool()>& saveRecord) const;
};

}  // namespace zv
