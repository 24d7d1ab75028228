// Times the Users dialog at two sizes of user.txt (and a user.idx with a line per user):
// opening it on the first user, moving between users, one save, one delete with its
// user.idx slot, and one bulk change applied to every user; then the ratio of each time
// between the two sizes, which stays near the ratio of the sizes when nothing grows worse
// than linearly.
// Usage: QT_QPA_PLATFORM=offscreen dialogs_bench [small large]  (default 10000 100000)
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "dialogs/frmuserglobal.h"
#include "dialogs/frmusers.h"
#include "dialogs/selectionbox.h"
#include "util/fileio.h"
#include "util/msgbox.h"
#include "util/text.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void Settle() {
  for (int i = 0; i < 4; ++i) QApplication::processEvents();
}

template <class D>
void WhenModal(std::function<void(D*)> act) {
  QTimer::singleShot(0, [act] {
    if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) act(d);
    else WhenModal<D>(act);
  });
}

struct TTimes {
  double open, move, save, save2, del, bulk, write;
};

TTimes Run(const std::string& dir, long users) {
  std::string text, index;
  for (long n = 0; n < users; ++n) {
    const std::string id = std::to_string(1000000 + n * 7);
    text += id + ", " + std::to_string(n % 62) + ", 0, , " + std::to_string(n % 6) +
            ", Employee " + std::to_string(n) + "\r\n";
    index += zv::PadLeft(id, 10, '0') + "\r\n";
  }
  zv::WriteFileAtomic(dir + "user.txt", text);
  zv::WriteFileAtomic(dir + "user.idx", index);
  zv::WriteFileAtomic(dir + "group.txt", "   120,    1,     1,        5, \r\n");
  zv::TUserList list(dir + "user.txt");
  zv::TGroupList groups(dir + "group.txt");
  zv::TScriptedMessageBoxes boxes;
  boxes.fallback = zv::mbYes;
  TTimes t{};

  auto t0 = Clock::now();
  auto dlg = std::make_unique<zv::TfrmUsers>(nullptr, list, &groups, dir);
  dlg->show();
  Settle();
  t.open = MsSince(t0);

  // 100 moves spread over the box, each a pick and its refresh.
  const int moves = 100;
  t0 = Clock::now();
  for (int m = 0; m < moves; ++m) {
    const int i = static_cast<int>((static_cast<long>(m) * 7919) % dlg->cbxUsers->count());
    dlg->cbxUsers->setCurrentIndex(i);
    emit dlg->cbxUsers->activated(i);
    Settle();
  }
  t.move = MsSince(t0) / moves;

  dlg->edtComment->setText("Changed");
  t0 = Clock::now();
  dlg->btnSave->click();
  Settle();
  t.save = MsSince(t0);
  // The first save builds the user list's lookup index; later ones find it built.
  dlg->edtComment->setText("Changed again");
  t0 = Clock::now();
  dlg->btnSave->click();
  Settle();
  t.save2 = MsSince(t0);

  t0 = Clock::now();
  dlg->btnDelete->click();
  Settle();
  t.del = MsSince(t0);

  WhenModal<zv::TfrmUserGlobal>([](zv::TfrmUserGlobal* g) {
    g->chkComment->setChecked(true);
    g->chkAuthority->setChecked(true);
    WhenModal<zv::TfrmConfirmUser>([](zv::TfrmConfirmUser* c) { c->btnOk->click(); });
    g->btnOk->click();
  });
  t0 = Clock::now();
  dlg->OnGlobal();
  t.bulk = MsSince(t0);
  // For contrast: writing user.txt alone, which every save and bulk change does.
  list.Modified = true;
  t0 = Clock::now();
  list.Save();
  t.write = MsSince(t0);
  // The delete's question is the one box expected; a warning would mean a failed step.
  if (boxes.shown.size() != 1) std::fprintf(stderr, "unexpected boxes: %zu\n", boxes.shown.size());
  std::printf("%8ld users: open %8.1f ms  move %6.2f ms  save %6.1f then %6.1f ms  delete %7.1f ms  "
              "bulk change %8.1f ms  (user.txt written alone %7.1f ms)\n",
              users, t.open, t.move, t.save, t.save2, t.del, t.bulk, t.write);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const long small = argc > 2 ? std::atol(argv[1]) : 10000;
  const long large = argc > 2 ? std::atol(argv[2]) : 100000;
  char tmpl[] = "/tmp/zvbench-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const std::string dir = std::string(tmpl) + "/";
  const TTimes a = Run(dir, small);
  const TTimes b = Run(dir, large);
  std::printf("ratios (%ld / %ld users = %.1f): open %.1f  move %.1f  save %.1f then %.1f  delete %.1f  "
              "bulk change %.1f\n",
              large, small, double(large) / small, b.open / a.open, b.move / a.move,
              b.save / a.save, b.save2 / a.save2, b.del / a.del, b.bulk / a.bulk);
  for (const char* f : {"user.txt", "user.idx", "user.dat", "group.txt"})
    ::unlink((dir + f).c_str());
  ::rmdir(tmpl);
  return 0;
}
