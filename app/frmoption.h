// TfrmOption: the selection dialog of the reader operations, which asks for a site (or all)
// and a clock of that site (or all) and yields the fixed-width selection text. Each site and
// clock is offered with its description beside its number; the selection is made from the
// number alone.
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

  // An entry's text: the number, and the description after it when there is one.
  static QString EntryText(const std::string& number, const std::string& description);

 protected:
  // The caption is set by the caller: the dialog grows to show it whole.
  void changeEvent(QEvent* e) override;

 private:
  TClockList* clocks_;
};

}  // namespace zv
