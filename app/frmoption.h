// TfrmOption: the selection dialog of the reader operations, which asks for a site (or all)
// and a clock of that site (or all) and yields the fixed-width selection text.
#pragma once
#include <QDialog>
#include <string>

class QComboBox;
class QPushButton;

namespace zv {

class TSiteList;
class TClockList;
class TSite;

class TfrmOption : public QDialog {
  Q_OBJECT
 public:
  // Either list may be none: then only "All" is offered for it.
  TfrmOption(QWidget* parent, TSiteList* sites, TClockList* clocks);

  // The selection text produced by OK: site as 3 digits, clock as 2, or empty for all.
  std::string Selection;

  QComboBox* cbxSite;
  QComboBox* cbxClock;
  QPushButton* Button1;
  QPushButton* Button2;

  void cbxSiteChange();
  void Button1Click();

 private:
  TClockList* clocks_;
};

}  // namespace zv
