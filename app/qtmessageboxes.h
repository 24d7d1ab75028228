// The program's message boxes drawn with QMessageBox; main installs one for the whole run.
#pragma once
#include "util/msgbox.h"

namespace zv {

class TQtMessageBoxes : public IMessageBoxes {
 public:
  void Warning(const std::string& text) override;
  TMsgButton Question(const std::string& text, TMsgButtons buttons) override;
};

}  // namespace zv
