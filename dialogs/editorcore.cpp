#include "dialogs/editorcore.h"

#include "util/text.h"

namespace zv {

std::string Trimmed(const std::string& text) { return TrimBlanks(text); }

bool Filled(const std::string& text) { return !TrimBlanks(text).empty(); }

long long ValueOf(const std::string& text, long long def) {
  return StrToIntDef(TrimBlanks(text), def);
}

bool FilledOutside(const std::string& text, long long def, long long low, long long high) {
  if (!Filled(text)) return false;
  const long long v = ValueOf(text, def);
  return v < low || v > high;
}

TCheck NoCommas(const std::string& text, const std::string& what, const std::string& focus) {
  if (text.find(',') == std::string::npos) return std::nullopt;
  return Fails("Commas not allowed in " + what + ".", focus);
}

TMsgButton TEditorState::QuerySave(const std::function<bool()>& saveRecord) const {
  if (!Modified) return mbNo;
  TMsgButton answer = AskSaveRecord();
  if (answer == mbYes && !saveRecord()) return mbCancel;
  if (answer != mbYes && answer != mbNo) return mbCancel;
  return answer;
}

}  // namespace zv
