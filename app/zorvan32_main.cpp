// zorvan32: the Zorvan Utility. One instance per user; each parameter is one reader command.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/frmzorvan.h"
#include "app/punchexportrun.h"
#include "app/qtmessageboxes.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/zvapplication.h"
#include "util/clock.h"

int main(int argc, char** argv) {
  // The command line as the shell gave it, read whole before anything runs or is touched.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  // The payroll export runs no reader operation and opens no window.
  if (zv::IsPunchExportRequest(args))
    return zv::RunPunchExportCommand(args, zv::SettingsFileFor(argv[0]), zv::DefaultDataDirectory());
  const zv::TCommandLine line = zv::ParseCommandLine(args);
  switch (line.Request) {
    case zv::TStartRequest::Help: std::fputs(zv::HelpText().c_str(), stdout); return 0;
    case zv::TStartRequest::Version: std::fputs(zv::VersionText().c_str(), stdout); return 0;
    case zv::TStartRequest::Usage: std::fprintf(stderr, "%s\n", line.Error.c_str()); return 2;
    case zv::TStartRequest::Run: break;
  }
  const std::vector<std::string>& params = line.Operations;
  std::string noDisplay;
  if (!zv::PrepareDisplay(!params.empty(), &noDisplay)) {
    std::fprintf(stderr, "%s\n", noDisplay.c_str());
    return 2;
  }
  zv::InstallQtMessageFilter();
  // A file grown past the size limit must fail the write (the operation reports it), not
  // end the program halfway through a poll.
  std::signal(SIGXFSZ, SIG_IGN);
  // Tests of dates (a year end, 1999) set the program's clock; see docs/engine.md.
  zv::InstallClockFromEnvironment();

  // Qt gets the program's name only: the parameters are operations, never Qt's own options.
  int qtArgc = 1;
  zv::TZvApplication app(qtArgc, argv);
  zv::TSingleInstance instance;
  switch (instance.Start()) {
    case zv::TSingleInstance::TResult::Second:
      // The running program has been asked to come to the front; this one runs nothing. A
      // script must not take that for a run.
      if (params.empty()) return 0;
      std::fprintf(stderr,
                   "zorvan32: the Zorvan Utility is already running; it was asked to come to the "
                   "front, and these parameters were not run\n");
      return 2;
    case zv::TSingleInstance::TResult::NoLock:
      if (!instance.Refused().isEmpty())
        std::fprintf(stderr, "zorvan32: running without the one-instance lock: %s\n",
                     instance.Refused().toLocal8Bit().constData());
      break;
    case zv::TSingleInstance::TResult::First: break;
  }

  zv::TQtMessageBoxes boxes;
  zv::SetMessageBoxes(&boxes);
  int rc;
  bool commandLineRun;
  zv::TRunReport report;
  {
    zv::TfrmZorvan frmZorvan;
    QObject::connect(&instance, &zv::TSingleInstance::ActivationRequested, &frmZorvan,
                     &zv::TfrmZorvan::BringToFront);
    frmZorvan.Parameters = params;
    if (line.ParallelLines > 0) frmZorvan.ParallelLines = line.ParallelLines;
    frmZorvan.show();
    // The load lines let events run: a window closed that early must not leave a hidden
    // program running, since quitting before the loop starts is not remembered.
    rc = frmZorvan.isVisible() ? app.exec() : 0;
    commandLineRun = frmZorvan.CommandLineRun;
    report = frmZorvan.Report;
  }
  zv::SetMessageBoxes(nullptr);
  if (!params.empty()) {
    // For cron's mail and the script that started the run; the files are as they always are.
    if (!commandLineRun) {
      std::fprintf(stderr, "zorvan32: the program closed before its parameters were run\n");
      return 2;
    }
    const int status = report.ExitStatus();
    // cron mails whatever a job prints: a quiet run prints only when someone must look.
    if (!line.Quiet || status != 0) {
      std::fputs(report.Summary().c_str(), stdout);
      std::fflush(stdout);
    }
    return status;
  }
  return rc;
}
