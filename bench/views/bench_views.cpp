// Opens a Punch.Log of a given size with View > Punch Log and reports how long the window is
// held and how much memory the document takes, for the large view and for the plain text area.
//   bench_views [MB ...]            (default: 10 100; the text area is timed up to 10 MB)
//   bench_views --text-area MB      (also time the text area at that size)
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/bigtextview.h"
#include "app/editor.h"
#include "app/frmzorvan.h"
#include "util/fileio.h"

namespace {

double RssMB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4096.0 / 1048576.0;
}

double PeakMB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024.0;
}

// Writes the log in pieces, so that the peak memory shows the view and not the generator.
void WritePunchLog(const std::string& path, std::size_t bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  char line[96];
  std::size_t written = 0;
  for (unsigned long i = 0; written < bytes; ++i) {
    int n = std::snprintf(line, sizeof line,
                          "%02lu-%02lu-26 %02lu:%02lu:%02lu  Site 001  Clock %02lu  %010lu  In\r\n",
                          i % 12 + 1, i % 28 + 1, i % 24, i % 60, i % 59, i % 30, i % 9999999);
    written += std::fwrite(line, 1, static_cast<std::size_t>(n), f);
  }
  std::fclose(f);
}

void Run(const std::string& root, std::size_t mb, bool textArea) {
  const std::size_t bytes = mb << 20;
  zv::TAppPaths p;
  p.ProgramPath = root;
  p.SettingsFile = root + "zorvan32.INI";
  p.DefaultDataPath = root + "data/";
  zv::ForceDirectories(p.DefaultDataPath);
  WritePunchLog(p.DefaultDataPath + "Punch.Log", bytes);
  zv::LargeDocumentBytes() = textArea ? ~std::size_t{0} : std::size_t{4} << 20;
  {
    zv::TfrmZorvan w(p);
    w.show();
    QCoreApplication::processEvents();
    const double rss0 = RssMB();
    QElapsedTimer t;
    t.start();
    w.mniPunchLog->trigger();
    QCoreApplication::processEvents();  // the first paint
    const double open = t.elapsed() / 1000.0;
    const double rss1 = RssMB();
    t.restart();
    QWidget* shown = textArea ? static_cast<QWidget*>(w.lb) : static_cast<QWidget*>(w.lbView);
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(shown, &end);
    QCoreApplication::processEvents();
    const double toEnd = t.elapsed() / 1000.0;
    t.restart();
    w.AddLogLine("Site 1, Clock 2: responded.");
    const double logLine = t.elapsed() / 1000.0;
    t.restart();
    const bool saved = w.SaveEditorTo(root + "copy.log");
    const double save = t.elapsed() / 1000.0;
    std::printf("%-10s %5zu MB  open %6.2f s  doc +%7.1f MB (%4.1fx file)  peak %7.1f MB  "
                "ctrl+end %5.3f s  log line %5.3f s  save %5.2f s%s\n",
                textArea ? "text area" : "view", mb, open, rss1 - rss0,
                (rss1 - rss0) / static_cast<double>(mb), PeakMB(), toEnd, logLine, save,
                saved ? "" : "  (save failed)");
    std::fflush(stdout);
    w.lb->document()->setModified(false);
  }
  std::remove((root + "copy.log").c_str());
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  QTemporaryDir tmp;
  const std::string root = tmp.path().toStdString() + "/";
  std::vector<std::size_t> sizes;
  std::size_t textAreaUpTo = 10;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--text-area" && i + 1 < argc) {
      textAreaUpTo = std::strtoul(argv[++i], nullptr, 10);
    } else {
      sizes.push_back(std::strtoul(argv[i], nullptr, 10));
    }
  }
  if (sizes.empty()) sizes = {10, 100};
  // The view first: the peak figure is the process's, so the text area's comes after it.
  for (std::size_t mb : sizes) Run(root, mb, false);
  for (std::size_t mb : sizes) {
    if (mb <= textAreaUpTo) Run(root, mb, true);
  }
  return 0;
}
