#include "app/startup.h"

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

namespace zv {

namespace {

bool Set(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

QtMessageHandler g_previous = nullptr;

void FilterQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  // The offscreen platform cannot size windows to their hints and says so for every window;
  // without a runtime directory (cron) Qt says which one it uses instead. Neither needs action.
  if (text.contains(QLatin1String("does not support propagateSizeHints()"))) return;
  if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (g_previous) {
    g_previous(type, context, text);
  } else {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  }
}

}  // namespace

TStartRequest StartRequestOf(const std::vector<std::string>& params) {
  if (params.size() != 1) return TStartRequest::Run;
  if (params[0] == "--help") return TStartRequest::Help;
  if (params[0] == "--version") return TStartRequest::Version;
  return TStartRequest::Run;
}

std::string VersionText() { return std::string("zorvan32 (Zorvan Utility) ") + ZV_VERSION + "\n"; }

std::string HelpText() {
  return "Usage: zorvan32 [OPERATION...]\n"
         "       zorvan32 --help | --version\n"
         "       zorvan32 --export-punches [--events] FROM TO [FILE]\n"
         "\n"
         "The Zorvan Utility keeps the data set of a Zorvan time-clock installation and runs\n"
         "operations against its readers. Without parameters it opens its window. Each\n"
         "parameter is one operation, run in order with a pause after each; then the program\n"
         "closes by itself and saves the log of the run in the data directory.\n"
         "\n"
         "Operations (a letter, in either case):\n"
         "  P  poll the readers for punches      C  send the configuration\n"
         "  T  send the time                     X  test communications\n"
         "  G  get the user database             F  get the full user database\n"
         "  R  restore the user database         D  restore the full user database\n"
         "followed by nothing (every site), a site (X12), site and clock as digits (X00102 is\n"
         "site 1, clock 2) or site#clock (X12#3).\n"
         "\n"
         "Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) the operations run\n"
         "offscreen. A summary goes to standard output at the end of the run.\n"
         "Exit status: 0 every operation ran without a failure; 1 some operation reported a\n"
         "failure (see Error.Log); 2 the parameters could not be run or their results not kept.\n"
         "\n"
         "\n"
         "--export-punches writes the punches of the days FROM to TO (YYYY-MM-DD) from Punch.Log\n"
         "as CSV to FILE or standard output, with the events of Sys.Log when --events is given;\n"
         "it runs no reader operation and opens no window.\n"
         "\n"
         "Settings: $XDG_CONFIG_HOME/zorvan32.INI (~/.config/zorvan32.INI); its [Ports] section\n"
         "names the serial ports' devices (COM1=/dev/ttyUSB0).\n"
         "Files: site.txt, clock.txt, group.txt, user.txt, zv.cfg, user.dat, user.idx, *.BIN,\n"
         "Sys.Log, Error.Log and trans.dat in the data directory ($XDG_DATA_HOME/zorvan32/ unless\n"
         "the settings name one); Punch.Log and yyyymmdd.log in the punch-log directory;\n"
         "modem.txt, the modem initialisation strings.\n"
         "Environment: RDRDLL32_COM1 to RDRDLL32_COM4 (a port's device, over [Ports]),\n"
         "RDRDLL32_TIMEOUT_MS, RDRDLL32_CONNECT_TIMEOUT_MS, RDRDLL32_MODEM_TIMEOUT_MS,\n"
         "RDRDLL32_DIAL_TIMEOUT_MS, RDRDLL32_MODEM_GUARD_MS (the reader library's waits),\n"
         "DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM, XDG_CONFIG_HOME, XDG_DATA_HOME,\n"
         "XDG_RUNTIME_DIR, TMPDIR, HOME; see zorvan32(1).\n";
}

bool PrepareDisplay(bool haveParameters, std::string* message) {
  if (Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM")) return true;
  if (haveParameters) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
  }
  if (message)
    *message = "zorvan32: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); give it "
               "operations to run them unattended, or see zorvan32 --help";
  return false;
}

void InstallQtMessageFilter() { g_previous = qInstallMessageHandler(FilterQtMessage); }

}  // namespace zv
