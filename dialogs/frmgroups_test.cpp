// The Groups dialog through its real widgets, on hand-edited files.
#include "dialogs/frmgroups.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "dialogs/dialogtest.h"

namespace zv {
namespace {

const char kGroups[] =
    ".group, site, clock, timezone, comment\r\n"
    "   100,    1,     1,        5, Front\r\n"
    "   120,    1,     1,         , \r\n"
    "   100,    1,     2,       61, Back door\r\n"
    "   abc,   12,     3,        x, hand-edited\r\n"
    "   100,   12,     3,         , Gate\r\n";

class FrmGroups : public TDialogTest {
 protected:
  void SetUp() override {
    Write("site.txt", "    1, 1, 9600\r\n   30, 1, 9600\r\n   12, 1, 9600\r\n");
    Write("clock.txt", "    1,     2\r\n    1,     1\r\n   12,     3\r\n");
    Write("group.txt", kGroups);
    sites = std::make_unique<TSiteList>(Path("site.txt"));
    clocks = std::make_unique<TClockList>(Path("clock.txt"));
    groups = std::make_unique<TGroupList>(Path("group.txt"));
    dlg = std::make_unique<TfrmGroups>(nullptr, *groups, sites.get(), clocks.get());
    dlg->show();
    Settle();
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> v;
    for (int i = 0; i < dlg->lstItems->count(); ++i)
      v.push_back(dlg->lstItems->item(i)->text().toStdString());
    return v;
  }
  void Click(QPushButton* b) {
    b->click();
    Settle();
  }
  std::unique_ptr<TSiteList> sites;
  std::unique_ptr<TClockList> clocks;
  std::unique_ptr<TGroupList> groups;
  std::unique_ptr<TfrmGroups> dlg;
};

TEST_F(FrmGroups, WalkThroughPickAndSave) {
  // Opens on no group; sites with clocks only; groups in order of first appearance.
  EXPECT_EQ(TextOf(dlg->cbxGroups), "");
  EXPECT_EQ(dlg->lstItems->count(), 0);
  EXPECT_EQ(FocusName(dlg.get()), "cbxGroups");
  EXPECT_EQ(TabStops(dlg.get(), dlg->cbxGroups),
            (std::vector<std::string>{"cbxGroups", "cbxSites", "cbxClocks", "cbxTimeZone",
                                      "edtComment", "lstItems", "btnNew", "btnSave",
                                      "btnDelete", "btnClose"}));
  EXPECT_EQ(Entries(dlg->cbxGroups), (std::vector<std::string>{"100", "120", "abc"}));
  EXPECT_EQ(Entries(dlg->cbxSites), (std::vector<std::string>{"1", "12"}));
  EXPECT_EQ(dlg->cbxTimeZone->count(), 62);

  Pick(dlg->cbxGroups, "100");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"1       1        5         Front",
                                               "1       2        Never     Back door",
                                               "12      3        Always    Gate"}));
  Pick(dlg->cbxSites, "1");
  EXPECT_EQ(Entries(dlg->cbxClocks), (std::vector<std::string>{"2", "1"}));
  EXPECT_EQ(dlg->cbxClocks->currentIndex(), -1);
  // A clock of the group shows its line, time zone and comment; one outside empties them.
  Pick(dlg->cbxClocks, "2");
  EXPECT_EQ(dlg->lstItems->currentRow(), 1);
  EXPECT_EQ(TextOf(dlg->cbxTimeZone), "Never");
  EXPECT_EQ(TextOf(dlg->edtComment), "Back door");
  EXPECT_FALSE(dlg->Modified());
  Pick(dlg->cbxGroups, "120");
  Pick(dlg->cbxSites, "1");
  Pick(dlg->cbxClocks, "2");
  EXPECT_EQ(dlg->cbxTimeZone->currentIndex(), -1);
  EXPECT_EQ(dlg->lstItems->currentRow(), -1);

  // A line picked in the list shows its entry.
  Pick(dlg->cbxGroups, "100");
  dlg->lstItems->setCurrentRow(2);
  Settle();
  EXPECT_EQ(TextOf(dlg->cbxSites) + "/" + TextOf(dlg->cbxClocks), "12/3");
  EXPECT_EQ(dlg->cbxTimeZone->currentIndex(), -1);  // stored empty: listed as Always only

  // Saving an existing triple replaces it: no second line. The list is shown again.
  dlg->cbxTimeZone->setCurrentIndex(7);
  dlg->edtComment->setText(" Gate 2");
  EXPECT_TRUE(dlg->Modified());
  Click(dlg->btnSave);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().front();
  EXPECT_EQ(Read("group.txt"),
            ".group, site, clock, timezone, comment\r\n"
            "   100,    1,     1,        5, Front\r\n"
            "   120,    1,     1,         , \r\n"
            "   100,    1,     2,       61, Back door\r\n"
            "   abc,   12,     3,        x, hand-edited\r\n"
            "   100,   12,     3,        7,  Gate 2\r\n");
  EXPECT_EQ(Lines().size(), 3u);
  EXPECT_EQ(TextOf(dlg->cbxGroups), "100");
  EXPECT_EQ(dlg->cbxSites->currentIndex(), -1);
  EXPECT_FALSE(dlg->Modified());

  // A new group number joins the box and shows its one entry.
  dlg->cbxGroups->setEditText("150");
  Pick(dlg->cbxSites, "12");
  Pick(dlg->cbxClocks, "3");
  Click(dlg->btnSave);
  EXPECT_EQ(Entries(dlg->cbxGroups), (std::vector<std::string>{"100", "120", "abc", "150"}));
  EXPECT_EQ(Lines(), std::vector<std::string>{"12      3        Always    "});

  // A refused entry: its one message and its focus, nothing written.
  const std::string before = Read("group.txt");
  dlg->cbxGroups->setEditText("256");
  Click(dlg->btnSave);
  EXPECT_EQ(boxes.Texts(),
            std::vector<std::string>{"Invalid group number. Please enter a number from 100 to 255."});
  EXPECT_EQ(FocusName(dlg.get()), "cbxGroups");
  Pick(dlg->cbxGroups, "abc");  // a hand-edited number is shown but cannot be saved under
  dlg->lstItems->setCurrentRow(0);
  Settle();
  Click(dlg->btnSave);
  EXPECT_EQ(boxes.Texts().back(), "Invalid group number. Please enter a number from 100 to 255.");
  EXPECT_EQ(Read("group.txt"), before);
}

TEST_F(FrmGroups, DeletesNewAndClose) {
  Pick(dlg->cbxGroups, "100");
  Pick(dlg->cbxSites, "1");
  // A site without a clock: all the group's entries at the site, after the question.
  boxes.Answer(mbYes);
  Click(dlg->btnDelete);
  EXPECT_EQ(boxes.Texts().back(),
            "Are you sure you want to remove all entries for site number 1 from group number "
            "100?");
  EXPECT_EQ(Lines(), std::vector<std::string>{"12      3        Always    Gate"});
  EXPECT_EQ(groups->FindEntry("120", "1", "1") != nullptr, true);
  EXPECT_TRUE(groups->Modified);
  EXPECT_EQ(Read("group.txt"), kGroups);  // written by the next save

  // One entry, answered No: nothing goes, the group is shown again.
  Pick(dlg->cbxSites, "12");
  Pick(dlg->cbxClocks, "3");
  boxes.Answer(mbNo);
  Click(dlg->btnDelete);
  EXPECT_EQ(boxes.Texts().back(),
            "Are you sure you want to remove site number 12, clock number 3 from group number "
            "100?");
  EXPECT_EQ(Lines().size(), 1u);
  EXPECT_EQ(dlg->cbxSites->currentIndex(), -1);

  // The whole group: gone from the box, which is left empty.
  boxes.Answer(mbYes);
  Click(dlg->btnDelete);
  EXPECT_EQ(boxes.Texts().back(), "Are you sure you want to remove all entries for group number 100?");
  EXPECT_EQ(Entries(dlg->cbxGroups), (std::vector<std::string>{"120", "abc"}));
  EXPECT_EQ(TextOf(dlg->cbxGroups), "");
  EXPECT_EQ(dlg->lstItems->count(), 0);

  // New empties the entry fields but keeps the list's lines until the next refresh.
  Pick(dlg->cbxGroups, "120");
  dlg->lstItems->setCurrentRow(0);
  Settle();
  EXPECT_EQ(TextOf(dlg->cbxSites) + "/" + TextOf(dlg->cbxClocks), "1/1");
  dlg->edtComment->setText("changed");
  boxes.Answer(mbNo);
  Click(dlg->btnNew);
  EXPECT_EQ(boxes.Texts().back(), "Save changes to the current record?");
  EXPECT_EQ(TextOf(dlg->cbxGroups) + TextOf(dlg->cbxSites) + TextOf(dlg->edtComment), "");
  EXPECT_EQ(dlg->lstItems->count(), 1);

  // Close asks while changes are on screen; Cancel keeps the dialog.
  Pick(dlg->cbxGroups, "120");
  dlg->cbxTimeZone->setCurrentIndex(3);
  boxes.Answer(mbCancel);
  Click(dlg->btnClose);
  EXPECT_TRUE(dlg->isVisible());
  boxes.Answer(mbNo);
  Click(dlg->btnClose);
  EXPECT_FALSE(dlg->isVisible());
}

// The headings stand over the columns the list draws, whole and apart, at either font size.
TEST_F(FrmGroups, HeadingsStandOverTheirColumns) {
  for (double points : {0.0, 16.0}) {
    const QFont before = QApplication::font();
    if (points > 0) {
      QFont f = before;
      f.setPointSizeF(points);
      QApplication::setFont(f);
      dlg = std::make_unique<TfrmGroups>(nullptr, *groups, sites.get(), clocks.get());
      dlg->show();
      Settle();
    }
    Pick(dlg->cbxGroups, "100");
    ASSERT_GE(dlg->lstItems->count(), 2);
    QListWidgetItem* item = dlg->lstItems->item(dlg->lstItems->count() - 1);
    ASSERT_EQ(item->text().toStdString().substr(0, 28), "12      3        Always    G");
    // Where the ink of each word of that line starts, in the dialog's coordinates.
    const QImage img = dlg->lstItems->viewport()->grab().toImage();
    const QRect row = dlg->lstItems->visualItemRect(item);
    const int bg = qGray(img.pixel(row.right() - 1, row.center().y()));
    auto ink = [&](int x) {
      for (int y = row.top(); y <= row.bottom(); ++y)
        if (std::abs(qGray(img.pixel(x, y)) - bg) > 80) return true;
      return false;
    };
    const int space = QFontMetrics(dlg->lstItems->font()).horizontalAdvance(QLatin1Char(' '));
    std::vector<int> starts;
    int lastInk = -1000;
    for (int x = row.left(); x < std::min(row.right(), img.width()); ++x) {
      if (!ink(x)) continue;
      if (x - lastInk > space) starts.push_back(dlg->lstItems->viewport()->mapTo(dlg.get(), QPoint(x, 0)).x());
      lastInk = x;
    }
    ASSERT_GE(starts.size(), 4u) << points;
    int i = 0, previousEnd = -1000;
    for (const char* text : {"Site No:", "Clock No:", "Time Zone:", "Comment"}) {
      QLabel* heading = nullptr;
      for (QLabel* l : dlg->findChildren<QLabel*>())
        if (l->text() == QLatin1String(text)) heading = l;
      ASSERT_NE(heading, nullptr) << text;
      const int x = heading->mapTo(dlg.get(), QPoint(0, 0)).x();
      const int textWidth = heading->fontMetrics().horizontalAdvance(heading->text());
      EXPECT_LE(std::abs(x - starts[i]), 2) << text << " at " << points << " pt";
      EXPECT_LE(textWidth, heading->width()) << text << " is cut at " << points << " pt";
      EXPECT_GT(x, previousEnd) << text << " runs into the heading before it";
      previousEnd = x + textWidth;
      ++i;
    }
    QApplication::setFont(before);
  }
}

}  // namespace
}  // namespace zv
