// Saves site.txt again and again, in turn with two contents, the way the windows save it:
//   zvsaveloop editor DATA_DIR   the editor's save of a data file (confirmed, then reloaded)
//   zvsaveloop list DATA_DIR     a maintenance dialog's save of its list
// Before the loop it leaves the two contents as DATA_DIR/expect-0 and expect-1 and prints
// "ready"; whenever it is killed, site.txt must be one of them, whole.
//   zvsaveloop editor|list DATA_DIR SAVES
// saves SAVES times and ends: 0 when every save succeeded, 1 at the first that failed. The
// expect files of an earlier run are used as they are (so that a run under injected I/O
// failures saves only site.txt).
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/frmzorvan.h"
#include "data/sitelist.h"
#include "data/site.h"
#include "util/fileio.h"
#include "util/msgbox.h"

namespace {

std::string Version(int n) {
  // Two descriptions of different lengths, and enough lines that a save takes a while.
  return n % 2 ? "Head office" : "Warehouse by the river";
}

bool SaveList(const std::string& dir, int n) try {
  zv::TSiteList list(dir + "site.txt");
  zv::TSite* site = list.FindSite("1");
  if (!site) return false;
  site->SetDescription(Version(n));
  list.Modified = true;
  return list.Save();
} catch (const std::exception&) {
  return false;  // the list could not be read: nothing saved, as the dialog would refuse
}

std::string Read(const std::string& path) {
  std::string s;
  // Unreadable contents would make every later comparison meaningless.
  if (zv::ReadWholeFile(path, s) != zv::TReadResult::Ok) std::exit(2);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: zvsaveloop editor|list DATA_DIR [SAVES]\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const std::string mode = argv[1];
  const std::string dir = std::string(argv[2]) + "/";
  const long saves = argc == 4 ? std::atol(argv[3]) : -1;
  // The two contents, as the list writes them.
  const bool prepared = saves >= 0 && zv::FileExists(dir + "expect-0") && zv::FileExists(dir + "expect-1");
  for (int n = 0; n < 2 && !prepared; ++n) {
    if (!SaveList(dir, n)) return 2;
    if (!zv::WriteFileAtomic(dir + "expect-" + std::to_string(n), Read(dir + "site.txt"))) return 2;
  }
  const std::string contents[2] = {Read(dir + "expect-0"), Read(dir + "expect-1")};
  std::printf("ready\n");
  std::fflush(stdout);
  if (mode == "list") {
    for (int n = 0; n != saves; ++n)
      if (!SaveList(dir, n)) return 1;
    return 0;
  }
  if (mode != "editor") return 2;
  zv::TAppPaths paths;
  paths.ProgramPath = dir;
  paths.SettingsFile = dir + "zvsaveloop.INI";
  paths.DefaultDataPath = dir;
  zv::TfrmZorvan frm(paths);
  zv::TScriptedMessageBoxes boxes;
  boxes.fallback = zv::mbOK;  // "replace zorvan system file site.txt": yes
  for (int n = 0; n != saves; ++n) {
    frm.SetDocumentBytes(contents[n % 2]);
    if (!frm.SaveEditorTo(dir + "site.txt")) return 1;
    boxes.shown.clear();
  }
  return 0;
}
