#include "app/views.h"

#include <QAction>
#include <QPlainTextEdit>

#include "app/frmzorvan.h"
#include "util/clock.h"
#include "util/fileio.h"

namespace zv {

std::string DailyPunchLogName(const std::tm& local) {
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d", &local);
  return std::string(buf) + ".log";
}

void ShowLogView(TfrmZorvan& frm, const std::string& dir, const std::string& name,
                 const std::string& missing) {
  if (!frm.QuerySaveEditor()) return;
  std::string bytes;
  // The operations create Punch.Log, Error.Log and Sys.Log; the views ask for lower case.
  if (ReadWholeFile(FindFileIgnoreCase(dir, name), bytes) == TReadResult::Ok) {
    frm.SetDocumentBytes(std::move(bytes));
  } else {
    frm.SetDocumentLines({missing});
  }
  frm.lb->document()->setModified(false);
}

void ConnectViewMenus(TfrmZorvan& f) {
  TfrmZorvan* w = &f;
  auto view = [w](QAction* item, bool punch, auto name, const char* missing) {
    QObject::connect(item, &QAction::triggered, w, [w, punch, name, missing] {
      ShowLogView(*w, punch ? w->PunchPath : w->DataPath, name(), missing);
    });
  };
  view(f.mniPunchLog, true, [] { return std::string("punch.log"); }, "no punches");
  view(f.mniTodaysPunchs, true, [] { return DailyPunchLogName(LocalNow()); }, "no punches");
  view(f.mniErrorLog, false, [] { return std::string("error.log"); }, "no errors");
  view(f.mniSystemLog, false, [] { return std::string("sys.log"); }, "no system log");
  view(f.mniTransactionData, false, [] { return std::string("trans.dat"); },
       "no transaction data");
}

}  // namespace zv
