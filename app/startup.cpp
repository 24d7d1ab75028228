#include "app/startup.h"

#include "app/settings.h"
#include "util/text.h"

#include <QString>
#include <QtGlobal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zv {

namespace {

bool Set(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

// Opens the X display as Qt's xcb platform would (DISPLAY, its authority, the screen named),
// so that one that is gone or refuses us is known before Qt would abort on it.
bool X11DisplayOpens() {
  int screen = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screen);
  bool ok = c && xcb_connection_has_error(c) == 0 && screen >= 0 &&
            screen < xcb_setup_roots_length(xcb_get_setup(c));
  if (c) xcb_disconnect(c);
  return ok;
}

// A Wayland compositor is there when its socket takes a connection: WAYLAND_DISPLAY names it,
// relative to XDG_RUNTIME_DIR unless it is a path.
bool WaylandDisplayOpens() {
  std::string path = std::getenv("WAYLAND_DISPLAY");
  if (path[0] != '/') {
    if (!Set("XDG_RUNTIME_DIR")) return false;
    path = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + path;
  }
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) return false;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
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

namespace {

// One option of the command line. To add one: a row here, a field of TCommandLine for its
// value, and a line in the help text.
struct TOptionSpec {
  const char* Long;   // "--quiet"
  const char* Short;  // "-h", or nullptr
  bool TakesValue;    // "--name VALUE" or "--name=VALUE"
  // Takes the option into the command line; answers the error text, or "" when the value is
  // good.
  std::string (*Apply)(TCommandLine& line, const std::string& value);
};

const TOptionSpec kOptions[] = {
    {"--help", "-h", false,
     [](TCommandLine& c, const std::string&) {
       if (c.Request == TStartRequest::Run) c.Request = TStartRequest::Help;
       return std::string();
     }},
    {"--version", nullptr, false,
     [](TCommandLine& c, const std::string&) {
       if (c.Request == TStartRequest::Run) c.Request = TStartRequest::Version;
       return std::string();
     }},
    {"--quiet", nullptr, false,
     [](TCommandLine& c, const std::string&) {
       c.Quiet = true;
       return std::string();
     }},
    {"--parallel-lines", nullptr, true,
     [](TCommandLine& c, const std::string& value) {
       long long n;
       if (!ParseInt(value, n) || n < 1 || n > kMaxParallelLines)
         return "the option --parallel-lines takes a number of lines from 1 to " +
                std::to_string(kMaxParallelLines) + ", not \"" + value + "\"";
       c.ParallelLines = static_cast<int>(n);
       return std::string();
     }},
};

const TOptionSpec* FindOption(const std::string& name) {
  for (const TOptionSpec& o : kOptions)
    if (name == o.Long || (o.Short && name == o.Short)) return &o;
  return nullptr;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine line;
  auto fail = [&](const std::string& text) {
    line.Request = TStartRequest::Usage;
    line.Error = "zorvan32: " + text + " (see zorvan32 --help)";
    line.Operations.clear();
    return line;
  };
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!options) {
      line.Operations.push_back(a);
      continue;
    }
    if (a == "--") {
      options = false;
      continue;
    }
    if (a.size() < 2 || a[0] != '-') {
      options = false;
      line.Operations.push_back(a);
      continue;
    }
    std::string name = a, value;
    bool inlineValue = false;
    std::size_t eq = a.find('=');
    if (a.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      inlineValue = true;
    }
    const TOptionSpec* spec = FindOption(name);
    if (!spec) return fail("unknown option " + name);
    if (spec->TakesValue && !inlineValue) {
      if (i + 1 >= args.size()) return fail("the option " + name + " needs a value");
      value = args[++i];
    } else if (!spec->TakesValue && inlineValue) {
      return fail("the option " + name + " takes no value");
    }
    std::string error = spec->Apply(line, value);
    if (!error.empty()) return fail(error);
  }
  return line;
}

std::string VersionText() { return std::string("zorvan32 (Zorvan Utility) ") + ZV_VERSION + "\n"; }

std::string HelpText() {
  return "Usage: zorvan32 [--quiet] [--parallel-lines N] [OPERATION...]\n"
         "       zorvan32 -h | --help | --version\n"
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
         "Without a display that can be opened (DISPLAY, WAYLAND_DISPLAY) the operations\n"
         "run offscreen. A summary goes to standard output at the end of the run; with\n"
         "--quiet only when the exit status is not 0 (for cron, which mails any output).\n"
         "Options come before the operations; \"--\" ends them.\n"
         "--parallel-lines N works up to N lines (serial ports, modems, network readers) at\n"
         "once, 1 to 64; it wins over the ParallelLines setting for this run.\n"
         "\n"
         "Exit status: 0 every operation ran without a failure; 1 some operation reported a\n"
         "failure (see Error.Log); 2 the parameters could not be run or their results not kept.\n"
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
         "XDG_RUNTIME_DIR, TMPDIR, HOME. See zorvan32(1).\n";
}

bool PrepareDisplay(bool haveParameters, std::string* message) {
  if (Set("QT_QPA_PLATFORM")) return true;
  const bool x11 = Set("DISPLAY"), wayland = Set("WAYLAND_DISPLAY");
  if ((x11 && X11DisplayOpens()) || (wayland && WaylandDisplayOpens())) return true;
  if (haveParameters) {
    // As if no display had been named: nothing later (the offscreen platform's OpenGL
    // included) tries the one that cannot be opened.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
  }
  if (message) {
    if (x11 || wayland) {
      *message = std::string("zorvan32: the display ") +
                 (x11 ? std::getenv("DISPLAY") : std::getenv("WAYLAND_DISPLAY")) +
                 " cannot be opened; give it operations to run them unattended, or see "
                 "zorvan32 --help";
    } else {
      *message = "zorvan32: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); give it "
                 "operations to run them unattended, or see zorvan32 --help";
    }
  }
  return false;
}

void InstallQtMessageFilter() { g_previous = qInstallMessageHandler(FilterQtMessage); }

}  // namespace zv
