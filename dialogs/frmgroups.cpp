#include "dialogs/frmgroups.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QtMath>
#include <QVBoxLayout>

#include "dialogs/dialoglayout.h"
#include "dialogs/selectionbox.h"

namespace zv {

TfrmGroups::TfrmGroups(QWidget* parent, TGroupList& groups, TSiteList* sites, TClockList* clocks)
    : TRecordEditor(parent, "frmGroups", "Groups"), groups_(groups), clocks_(clocks) {
  cbxGroups = NamedCombo(this, "cbxGroups");
  MakeEditable(cbxGroups);
  SetCharsWide(cbxGroups, 5);
  cbxSites = NamedCombo(this, "cbxSites");
  SetCharsWide(cbxSites, 5);
  cbxClocks = NamedCombo(this, "cbxClocks");
  SetCharsWide(cbxClocks, 5);
  cbxTimeZone = NamedCombo(this, "cbxTimeZone");
  for (const std::string& e : GroupTimeZoneEntries()) AddEntry(cbxTimeZone, e);
  cbxTimeZone->setMaxVisibleItems(16);
  edtComment = NamedEdit(this, "edtComment");
  SetCharsWide(edtComment, 24);

  auto* keys = new QHBoxLayout;
  keys->addWidget(Buddy("Group No:", cbxGroups));
  keys->addWidget(cbxGroups);
  keys->addSpacing(12);
  keys->addWidget(Buddy("Site No:", cbxSites));
  keys->addWidget(cbxSites);
  keys->addSpacing(12);
  keys->addWidget(Buddy("Clock No:", cbxClocks));
  keys->addWidget(cbxClocks);
  keys->addStretch();
  auto* entry = new QHBoxLayout;
  entry->addWidget(Buddy("Time Zone:", cbxTimeZone));
  entry->addWidget(cbxTimeZone);
  entry->addSpacing(12);
  entry->addWidget(Buddy("Comment:", edtComment));
  entry->addWidget(edtComment, 1);

  lstItems = new QListWidget(this);
  lstItems->setObjectName("lstItems");
  lstItems->setSelectionMode(QAbstractItemView::SingleSelection);
  lstItems->setUniformItemSizes(true);
  // Fixed pitch at the dialog's own size, so that a larger font enlarges the list too.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSizeF(font().pointSizeF());
  lstItems->setFont(fixed);
  // The headings stand over the list's columns of 8, 9 and 10 characters. A character's
  // advance may be fractional, so each column starts where the text of all before it ends,
  // and the list draws its text inside its frame and the item's own margin.
  const QFontMetricsF fixedMetrics(fixed);
  const int ch = qCeil(fixedMetrics.horizontalAdvance(QLatin1Char('0')));
  auto columnStart = [&](int chars) {
    return qRound(fixedMetrics.horizontalAdvance(QString(chars, QLatin1Char('0'))));
  };
  const int itemMargin =
      lstItems->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, lstItems) + 1;
  auto* headings = new QHBoxLayout;
  headings->setSpacing(0);
  headings->addSpacing(lstItems->frameWidth() + itemMargin);
  const std::pair<const char*, int> columns[] = {
      {"Site No:", 8}, {"Clock No:", 9}, {"Time Zone:", 10}, {"Comment", 0}};
  int chars = 0;
  for (const auto& [text, width] : columns) {
    auto* l = new QLabel(QString::fromLatin1(text), this);
    if (width) l->setFixedWidth(columnStart(chars + width) - columnStart(chars));
    chars += width;
    headings->addWidget(l);
  }
  headings->addStretch();
  lstItems->setMinimumSize(44 * ch, 10 * QFontMetrics(fixed).height());

  auto* body = new QVBoxLayout;
  body->addLayout(keys);
  body->addLayout(entry);
  body->addSpacing(6);
  body->addLayout(headings);
  body->addWidget(lstItems, 1);
  SetBody(body);

  if (sites) {
    std::vector<TSite*> all;
    sites->GetSites(all);
    for (TSite* s : all)
      if (clocks_ && clocks_->SiteHasClocks(s->Site())) AddEntry(cbxSites, s->Site(), s, true);
  }

  WatchEdits({edtComment, cbxTimeZone});
  connect(cbxGroups, &QComboBox::activated, this, [this] { cbxGroupsClick(); });
  connect(cbxSites, &QComboBox::activated, this, [this] { cbxSitesClick(); });
  connect(cbxClocks, &QComboBox::activated, this, [this] { cbxClocksClick(); });
  // A line chosen by mouse or keys; lines the dialog selects itself are blocked.
  connect(lstItems, &QListWidget::currentRowChanged, this, [this] { lstItemsClick(); });
}

void TfrmGroups::FormShow() { PostRefresh(cbxGroups); }
void TfrmGroups::cbxGroupsClick() { PostRefresh(cbxGroups); }
void TfrmGroups::cbxSitesClick() { PostRefresh(cbxSites); }
void TfrmGroups::cbxClocksClick() { PostRefresh(cbxClocks); }
void TfrmGroups::lstItemsClick() { PostRefresh(lstItems); }

TGroupFields TfrmGroups::Fields() const {
  TGroupFields f;
  f.group = TextOf(cbxGroups);
  f.groupSelected = SelectedIndex(cbxGroups) >= 0;
  f.site = TextOf(cbxSites);
  f.siteSelected = cbxSites->currentIndex() >= 0;
  f.clock = TextOf(cbxClocks);
  f.clockSelected = cbxClocks->currentIndex() >= 0;
  f.timeZone = cbxTimeZone->currentIndex();
  f.comment = TextOf(edtComment);
  return f;
}

void TfrmGroups::ClearEntryFields() {
  SelectEntry(cbxTimeZone, -1);
  edtComment->clear();
}

void TfrmGroups::FillClocks() {
  const QSignalBlocker block(cbxClocks);
  cbxClocks->clear();
  if (!clocks_ || cbxSites->currentIndex() < 0) return;
  std::vector<std::pair<std::string, TClock*>> names;
  clocks_->GetClockNames(Trimmed(TextOf(cbxSites)), names);
  for (auto& [number, clock] : names) AddEntry(cbxClocks, number, clock);
}

void TfrmGroups::ShowGroup() {
  {
    const QSignalBlocker block(lstItems);
    lstItems->clear();
  }
  const std::string shown = Trimmed(TextOf(cbxGroups));
  {
    const QSignalBlocker block(cbxGroups);
    cbxGroups->clear();
    for (auto& [number, first] : GroupNumbers(groups_)) AddEntry(cbxGroups, number, first);
    SelectEntry(cbxGroups, FindEntry(cbxGroups, shown));
  }
  const std::string group = Trimmed(TextOf(cbxGroups));
  if (!group.empty()) {
    std::vector<TGroup*> entries;
    groups_.GetGroupEntries(group, entries);
    const QSignalBlocker block(lstItems);
    for (TGroup* e : entries) AddEntry(lstItems, e->DisplayLine(), e);
    lstItems->setCurrentRow(-1);
  }
  SelectEntry(cbxSites, -1);
  SelectEntry(cbxClocks, -1);
  ClearEntryFields();
}

void TfrmGroups::ShowEntry(const TGroup* entry) {
  if (!entry) return;
  SelectEntry(cbxSites, FindEntry(cbxSites, entry->Site()));
  FillClocks();
  SelectEntry(cbxClocks, FindEntry(cbxClocks, entry->Clock()));
  SelectEntry(cbxTimeZone, GroupTimeZonePosition(entry->TimeZone()));
  SetText(edtComment, entry->Comment());
}

void TfrmGroups::Refresh(const TRefresh& p) {
  if (p.control == cbxSites) {
    FillClocks();
    if (cbxSites->currentIndex() >= 0) PostRefresh(cbxClocks);
    SelectEntry(cbxClocks, -1);
    ClearEntryFields();
  } else if (p.control == cbxClocks) {
    const QSignalBlocker block(lstItems);
    lstItems->setCurrentRow(-1);
    const TGroupFields f = Fields();
    const TGroup* entry =
        groups_.FindEntry(Trimmed(f.group), Trimmed(f.site), Trimmed(f.clock));
    const int line = IndexOfRecord(lstItems, entry);
    if (entry && line >= 0) {
      lstItems->setCurrentRow(line);
      PostRefresh(lstItems);
    } else {
      ClearEntryFields();
    }
  } else if (p.control == lstItems) {
    ShowEntry(SelectedRecord<TGroup>(lstItems));
  } else {
    ShowGroup();
  }
}

TCheck TfrmGroups::ValidateRecord() { return GroupValidate(Fields()); }

bool TfrmGroups::StoreRecord() {
  bool added = false;
  TGroup* stored =
      GroupStore(groups_, GroupFromFields(Fields()), SelectedRecord<TGroup>(lstItems), added);
  if (added && FindEntry(cbxGroups, stored->Group()) < 0)
    AddEntry(cbxGroups, stored->Group(), stored);
  return WriteList(groups_);
}

void TfrmGroups::btnSaveClick() {
  const bool saved = SaveRecord();
  SetModified(!saved);
  if (saved) PostRefresh(cbxGroups);
}

void TfrmGroups::btnNewClick() {
  if (QuerySave() == mbCancel) return;
  // The list keeps its lines until the next refresh, and Modified stays as it is.
  const bool modified = Modified();
  SelectEntry(cbxGroups, -1);
  SelectEntry(cbxSites, -1);
  SelectEntry(cbxClocks, -1);
  ClearEntryFields();
  SetModified(modified);
}

void TfrmGroups::btnDeleteClick() {
  const TGroupFields f = Fields();
  GroupDelete(groups_, f.group, f.site, f.clock);
  PostRefresh(cbxGroups);
}

}  // namespace zv
