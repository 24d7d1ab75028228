#include "util/msgbox.h"

#include <cstdio>

namespace zv {

namespace {
IMessageBoxes* g_boxes = nullptr;
}

IMessageBoxes* SetMessageBoxes(IMessageBoxes* boxes) {
  IMessageBoxes* old = g_boxes;
  g_boxes = boxes;
  return old;
}

IMessageBoxes* GetMessageBoxes() { return g_boxes; }

void ShowWarning(const std::string& text) {
  if (g_boxes) {
    g_boxes->Warning(text);
  } else {
    std::fprintf(stderr, "Warning: %s\n", text.c_str());
  }
}

TMsgButton AskQuestion(const std::string& text, TMsgButtons buttons) {
  if (g_boxes) return g_boxes->Question(text, buttons);
  return mbCancel;  // nobody to answer: as if the box were closed
}

TMsgButton AskSaveRecord() {
  return AskQuestion("Save changes to the current record?", mbYes | mbNo | mbCancel);
}

TScriptedMessageBoxes::TScriptedMessageBoxes() : previous_(SetMessageBoxes(this)) {}

TScriptedMessageBoxes::~TScriptedMessageBoxes() { SetMessageBoxes(previous_); }

void TScriptedMessageBoxes::Warning(const std::string& text) {
  shown.push_back({TMsgIcon::Warning, text, mbOK});
}

TMsgButton TScriptedMessageBoxes::Question(const std::string& text, TMsgButtons buttons) {
  shown.push_back({TMsgIcon::Question, text, buttons});
  TMsgButton b = fallback;
  if (!answers_.empty()) {
    b = answers_.front();
    answers_.pop_front();
  }
  return b;
}

std::vector<std::string> TScriptedMessageBoxes::Texts() const {
  std::vector<std::string> r;
  for (const auto& s : shown) r.push_back(s.text);
  return r;
}

}  // namespace zv
