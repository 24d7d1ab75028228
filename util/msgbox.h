// The program's message boxes, reached through one interface: the application installs
// a Qt implementation, tests install TScriptedMessageBoxes.
#pragma once
#include <deque>
#include <string>
#include <vector>

namespace zv {

enum TMsgButton : unsigned { mbNone = 0, mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgButtons = unsigned;  // a set of TMsgButton bits

enum class TMsgIcon { Warning, Question };

class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  virtual void Warning(const std::string& text) = 0;
  // The button pressed; closing the box counts as mbCancel.
  virtual TMsgButton Question(const std::string& text, TMsgButtons buttons) = 0;
};

// Installs the implementation used from now on (none: warnings go to stderr, questions get Cancel).
// Returns the previous one.
IMessageBoxes* SetMessageBoxes(IMessageBoxes* boxes);
IMessageBoxes* GetMessageBoxes();

void ShowWarning(const std::string& text);
TMsgButton AskQuestion(const std::string& text, TMsgButtons buttons);
// "Save changes to the current record?" with Yes, No and Cancel.
TMsgButton AskSaveRecord();

// Records every box shown and answers from a script; installs itself while alive.
class TScriptedMessageBoxes : public IMessageBoxes {
 public:
  struct Shown {
    TMsgIcon icon;
    std::string text;
    TMsgButtons buttons;
  };
  TScriptedMessageBoxes();
  ~TScriptedMessageBoxes() override;
  void Warning(const std::string& text) override;
  TMsgButton Question(const std::string& text, TMsgButtons buttons) override;

  // Answers given to the next questions, in order; when none is left, `fallback` answers.
  void Answer(TMsgButton b) { answers_.push_back(b); }
  TMsgButton fallback = mbCancel;
  std::vector<Shown> shown;
  std::vector<std::string> Texts() const;

 private:
  std::deque<TMsgButton> answers_;
  IMessageBoxes* previous_;
};

}  // namespace zv
