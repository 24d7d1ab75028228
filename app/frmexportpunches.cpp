#include "app/frmexportpunches.h"

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/latin1.h"
#include "app/punchexportrun.h"
#include "util/msgbox.h"

namespace zv {

namespace {

int Yyyymmdd(const QDate& d) { return d.year() * 10000 + d.month() * 100 + d.day(); }

}  // namespace

TfrmExportPunches::TfrmExportPunches(QWidget* parent, std::string punchPath, std::string dataPath)
    : QDialog(parent), punchPath_(std::move(punchPath)), dataPath_(std::move(dataPath)) {
  setObjectName("frmExportPunches");
  setWindowTitle("Export Punches");

  // The last calendar month, the usual pay period.
  const QDate thisMonth = QDate::currentDate().addDays(1 - QDate::currentDate().day());
  auto date = [this](const char* name, const QDate& d) {
    auto* e = new QDateEdit(d, this);
    e->setObjectName(name);
    e->setDisplayFormat("yyyy-MM-dd");
    e->setCalendarPopup(true);
    return e;
  };
  dtpFrom = date("dtpFrom", thisMonth.addMonths(-1));
  dtpTo = date("dtpTo", thisMonth.addDays(-1));
  chkEvents = new QCheckBox("Include events from Sys.Log", this);
  chkEvents->setObjectName("chkEvents");
  edtFile = new QLineEdit(this);
  edtFile->setObjectName("edtFile");
  edtFile->setMinimumWidth(edtFile->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
  btnFile = new QPushButton("...", this);
  btnFile->setObjectName("btnFile");
  btnFile->setAutoDefault(false);
  btnFile->setFixedWidth(btnFile->fontMetrics().horizontalAdvance("....") + 16);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(edtFile, 1);
  fileRow->addWidget(btnFile);

  auto* form = new QFormLayout;
  form->addRow("From:", dtpFrom);
  form->addRow("To:", dtpTo);
  form->addRow("", chkEvents);
  form->addRow("CSV File:", fileRow);

  lblResult = new QLabel(this);
  lblResult->setObjectName("lblResult");
  lblResult->setWordWrap(true);
  lblResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
  memSkipped = new QPlainTextEdit(this);
  memSkipped->setObjectName("memSkipped");
  memSkipped->setReadOnly(true);
  memSkipped->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  memSkipped->setVisible(false);

  btnExport = new QPushButton("Export", this);
  btnExport->setObjectName("btnExport");
  btnExport->setDefault(true);
  btnClose = new QPushButton("Close", this);
  btnClose->setObjectName("btnClose");
  btnClose->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnExport);
  buttons->addWidget(btnClose);

  auto* main = new QVBoxLayout(this);
  main->addLayout(form);
  main->addWidget(lblResult);
  main->addWidget(memSkipped, 1);
  main->addLayout(buttons);

  BrowseFile = [this](const std::string& start) -> std::optional<std::string> {
    QString f = QFileDialog::getSaveFileName(this, "Export Punches",
                                             QFile::decodeName(QByteArray::fromStdString(start)),
                                             "CSV files (*.csv);;All files (*)");
    if (f.isEmpty()) return std::nullopt;
    return QFile::encodeName(f).toStdString();
  };
  connect(btnExport, &QPushButton::clicked, this, &TfrmExportPunches::btnExportClick);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnFile, &QPushButton::clicked, this, &TfrmExportPunches::btnFileClick);
}

void TfrmExportPunches::btnFileClick() {
  std::string start = Latin1Bytes(edtFile->text());
  if (start.empty()) start = punchPath_ + "punches.csv";
  if (auto f = BrowseFile(start)) edtFile->setText(Latin1(*f));
}

void TfrmExportPunches::btnExportClick() {
  TPunchExportJob job;
  job.PunchPath = punchPath_;
  job.DataPath = dataPath_;
  job.From = Yyyymmdd(dtpFrom->date());
  job.To = Yyyymmdd(dtpTo->date());
  job.Events = chkEvents->isChecked();
  job.File = Latin1Bytes(edtFile->text().trimmed());
  if (job.From > job.To) {
    ShowWarning("The first day comes after the last.");
    dtpFrom->setFocus();
    return;
  }
  if (job.File.empty()) {
    ShowWarning("Please choose the file to write.");
    edtFile->setFocus();
    return;
  }
  TExportResult result;
  std::string error;
  const bool ok = RunPunchExport(job, result, error);
  QString skipped;
  for (const std::string& m : result.Messages) skipped += Latin1(m) + "\n";
  memSkipped->setPlainText(skipped);
  memSkipped->setVisible(!skipped.isEmpty());
  if (!ok) {
    lblResult->setText(Latin1("Nothing exported: " + error));
    ShowWarning("Nothing exported: " + error);
    return;
  }
  lblResult->setText(Latin1(PunchExportSummary(result, job.File) +
                            (result.Damaged ? ", listed below." : ".")));
}

}  // namespace zv
