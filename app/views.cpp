#include "app/views.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "app/bigtextview.h"

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
                 const std::string& missing, bool atEnd) {
  if (!frm.QuerySaveEditor()) return;
  std::string bytes;
  // The operations create Punch.Log, Error.Log and Sys.Log; the views ask for lower case.
  if (ReadWholeFile(FindFileIgnoreCase(dir, name), bytes) == TReadResult::Ok) {
    frm.SetDocumentBytes(std::move(bytes));
  } else {
    frm.SetDocumentLines({missing});
  }
  frm.lb->document()->setModified(false);
  if (!atEnd) return;
  if (frm.lbView && frm.lbView->HasText()) {
    frm.lbView->verticalScrollBar()->setValue(frm.lbView->verticalScrollBar()->maximum());
  } else {
    frm.lb->moveCursor(QTextCursor::End);
    frm.lb->ensureCursorVisible();
  }
}

void ConnectViewMenus(TfrmZorvan& f) {
  TfrmZorvan* w = &f;
  auto view = [w](QAction* item, bool punch, auto name, const char* missing, bool atEnd = false) {
    QObject::connect(item, &QAction::triggered, w, [w, punch, name, missing, atEnd] {
      ShowLogView(*w, punch ? w->PunchPath : w->DataPath, name(), missing, atEnd);
    });
  };
  view(f.mniPunchLog, true, [] { return std::string("punch.log"); }, "no punches");
  view(f.mniTodaysPunchs, true, [] { return DailyPunchLogName(LocalNow()); }, "no punches");
  // Last night's failures are at the end of the error log.
  view(f.mniErrorLog, false, [] { return std::string("error.log"); }, "no errors", true);
  view(f.mniSystemLog, false, [] { return std::string("sys.log"); }, "no system log");
  view(f.mniTransactionData, false, [] { return std::string("trans.dat"); },
       "no transaction data");
}

}  // namespace zv
