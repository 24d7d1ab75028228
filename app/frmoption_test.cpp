// The selection dialog: each site and clock with its description beside its number, the
// selection made from the numbers alone, and a width that shows the caption whole.
#include <QComboBox>
#include <QFontMetrics>
#include <QLayout>
#include <QPushButton>

#include "app/apptest.h"
#include "app/frmoption.h"

namespace zv {
namespace {

class FrmOptionTest : public TAppTest {};

TEST_F(FrmOptionTest, EntriesShowDescriptionsAndTheSelectionComesFromTheNumbers) {
  std::string data = MakeDir("data");
  WriteFile(data + "site.txt",
            "    1, , , , , , 0, , Head office\r\n"
            "  007, , , , , , 0, , Caf\xe9 annex\r\n"
            "   12, , , , , , 0, ,\r\n");
  WriteFile(data + "clock.txt", "    1,     3, , Front door\r\n    1,    12\r\n  007,     0, , Till\r\n");
  WriteSettings("[Zorvan32]\r\nDataPath=" + data + "\r\n");
  auto w = ShownWindow();
  TfrmOption dlg(w.get(), w->Sites.get(), w->Clocks.get());

  QStringList sites;
  for (int i = 0; i < dlg.cbxSite->count(); ++i) sites << dlg.cbxSite->itemText(i);
  EXPECT_EQ(sites, QStringList({"All", "1  Head office", QString::fromLatin1("007  Caf\xe9 annex"), "12"}));

  struct TCase {
    int site;
    QStringList clocks;  // what the clock box offers for that site
    int clock;
    std::string selection;
  } cases[] = {
      {0, {"All"}, 0, ""},
      {1, {"All", "3  Front door", "12"}, 0, "001"},
      {1, {"All", "3  Front door", "12"}, 1, "00103"},
      {1, {"All", "3  Front door", "12"}, 2, "00112"},
      {2, {"All", "0  Till"}, 1, "00700"},  // as typed, "007" reads as 7
      {3, {"All"}, 0, "012"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.selection);
    dlg.cbxSite->setCurrentIndex(c.site);
    QStringList clocks;
    for (int i = 0; i < dlg.cbxClock->count(); ++i) clocks << dlg.cbxClock->itemText(i);
    EXPECT_EQ(clocks, c.clocks);
    dlg.cbxClock->setCurrentIndex(c.clock);
    dlg.Selection = "unset";
    dlg.Button1Click();
    EXPECT_EQ(dlg.Selection, c.selection);
  }
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FrmOptionTest, TheDialogIsWideEnoughForItsCaption) {
  TfrmOption dlg(nullptr, nullptr, nullptr);
  dlg.setWindowTitle("Test Communications Option");
  dlg.layout()->activate();
  QFont bold = dlg.font();
  bold.setBold(true);
  EXPECT_GE(dlg.width(), QFontMetrics(bold).horizontalAdvance(dlg.windowTitle()) + 100);
  EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());  // still of a fixed size
}

}  // namespace
}  // namespace zv
