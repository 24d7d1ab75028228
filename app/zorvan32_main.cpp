// zorvan32: the Zorvan Utility. One instance per user; each parameter is one reader command.
#include <csignal>
#include <string>
#include <vector>

#include "app/frmzorvan.h"
#include "app/qtmessageboxes.h"
#include "app/singleinstance.h"
#include "app/zvapplication.h"
#include "util/clock.h"

int main(int argc, char** argv) {
  // The parameters as the shell gave them, before Qt takes its own options out.
  std::vector<std::string> params;
  for (int i = 1; i < argc; ++i) params.emplace_back(argv[i]);

  // A file grown past the size limit must fail the write (the operation reports it), not
  // end the program halfway through a poll.
  std::signal(SIGXFSZ, SIG_IGN);

  // Tests of dates (a year end, 1999) set the program's clock; see docs/engine.md.
  zv::InstallClockFromEnvironment();
  zv::TZvApplication app(argc, argv);
  zv::TSingleInstance instance;
  if (instance.Start() == zv::TSingleInstance::TResult::Second) {
    // The running program has been asked to come to the front; this one runs nothing.
    return 0;
  }

  zv::TQtMessageBoxes boxes;
  zv::SetMessageBoxes(&boxes);
  int rc;
  {
    zv::TfrmZorvan frmZorvan;
    QObject::connect(&instance, &zv::TSingleInstance::ActivationRequested, &frmZorvan,
                     &zv::TfrmZorvan::BringToFront);
    frmZorvan.Parameters = params;
    frmZorvan.show();
    // The load lines let events run: a window closed that early must not leave a hidden
    // program running, since quitting before the loop starts is not remembered.
    rc = frmZorvan.isVisible() ? app.exec() : 0;
  }
  zv::SetMessageBoxes(nullptr);
  return rc;
}
