#include "app/frmoption2.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/latin1.h"
#include "util/msgbox.h"
#include "util/text.h"

namespace zv {

namespace {

std::optional<std::string> QtBrowseFolder(QWidget* parent, const std::string& title,
                                          const std::string& prompt, const std::string& start) {
  // File names are the file system's bytes; the edits hold bytes one character each.
  QFileDialog dlg(parent, Latin1(title), QFile::decodeName(QByteArray::fromStdString(start)));
  dlg.setFileMode(QFileDialog::Directory);
  dlg.setOption(QFileDialog::ShowDirsOnly, true);
  dlg.setLabelText(QFileDialog::LookIn, Latin1(prompt));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(dlg.selectedFiles().first()).toStdString();
}

}  // namespace

TfrmOption2::TfrmOption2(QWidget* parent) : QDialog(parent) {
  setObjectName("frmOption2");
  setWindowTitle("Options");

  auto* directories = new QGroupBox("Directories", this);
  directories->setObjectName("GroupBox1");
  auto* grid = new QGridLayout(directories);
  auto* lblData = new QLabel("Data Path:", directories);
  edtDataPath = new QLineEdit(directories);
  edtDataPath->setObjectName("edtDataPath");
  btnDataPath = new QPushButton("...", directories);
  btnDataPath->setObjectName("btnDataPath");
  auto* lblPunch = new QLabel("Punch Log Path:", directories);
  edtPunchPath = new QLineEdit(directories);
  edtPunchPath->setObjectName("edtPunchPath");
  btnPunchPath = new QPushButton("...", directories);
  btnPunchPath->setObjectName("btnPunchPath");
  for (QPushButton* b : {btnDataPath, btnPunchPath}) {
    b->setAutoDefault(false);
    b->setFixedWidth(b->fontMetrics().horizontalAdvance("....") + 16);
  }
  grid->addWidget(lblData, 0, 0);
  grid->addWidget(edtDataPath, 0, 1);
  grid->addWidget(btnDataPath, 0, 2);
  grid->addWidget(lblPunch, 1, 0);
  grid->addWidget(edtPunchPath, 1, 1);
  grid->addWidget(btnPunchPath, 1, 2);

  auto* rgpNUR = new QGroupBox("New User Restriction", this);
  rgpNUR->setObjectName("rgpNUR");
  auto* nurLayout = new QVBoxLayout(rgpNUR);
  radAlways = new QRadioButton("Always", rgpNUR);
  radAlways->setObjectName("radAlways");
  radNever = new QRadioButton("Never", rgpNUR);
  radNever->setObjectName("radNever");
  radNever->setChecked(true);
  nurLayout->addWidget(radAlways);
  nurLayout->addWidget(radNever);

  chkSaveCommandLineLog = new QCheckBox("Auto Save Command Line Log", this);
  chkSaveCommandLineLog->setObjectName("chkSaveCommandLineLog");

  auto* lblDelay = new QLabel("Inter-Command Delay (secs.)", this);
  spnInterCommandDelay = new QSpinBox(this);
  spnInterCommandDelay->setObjectName("spnInterCommandDelay");
  spnInterCommandDelay->setRange(1, 60);
  spnInterCommandDelay->setWrapping(false);
  spnInterCommandDelay->setValue(2);
  // The up-down and its edit are one control here; the edit keeps its own name.
  edtInterCommandDelay = spnInterCommandDelay->findChild<QLineEdit*>();
  edtInterCommandDelay->setObjectName("edtInterCommandDelay");
  edtInterCommandDelay->setMaxLength(2);
  lblDelay->setBuddy(spnInterCommandDelay);

  auto* ports = new QGroupBox("Serial Ports", this);
  ports->setObjectName("grpPorts");
  auto* portGrid = new QGridLayout(ports);
  for (int n = 1; n <= kSerialPortCount; ++n) {
    const QString com = QStringLiteral("COM%1").arg(n);
    auto* label = new QLabel(com + ":", ports);
    QLineEdit*& edit = edtPorts[n - 1];
    edit = new QLineEdit(ports);
    edit->setObjectName("edt" + com);
    edit->setPlaceholderText(QStringLiteral("/dev/ttyS%1").arg(n - 1));
    label->setBuddy(edit);
    QLabel*& effect = lblPortsInEffect[n - 1];
    effect = new QLabel(ports);
    effect->setObjectName("lbl" + com + "InEffect");
    effect->setTextInteractionFlags(Qt::TextSelectableByMouse);
    effect->setEnabled(false);  // greyed: a note on the edit above, not a value of its own
    effect->setVisible(false);
    // A device name is a path, often a long /dev/serial/by-id/ one: the edits get the width.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    portGrid->addWidget(label, 2 * (n - 1), 0);
    portGrid->addWidget(edit, 2 * (n - 1), 1);
    portGrid->addWidget(effect, 2 * (n - 1) + 1, 1);
  }
  portGrid->setColumnStretch(1, 1);

  btnOk = new QPushButton("OK", this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);

  auto* delayRow = new QHBoxLayout;
  delayRow->addWidget(lblDelay);
  delayRow->addWidget(spnInterCommandDelay);
  delayRow->addStretch();
  auto* middle = new QHBoxLayout;
  middle->addWidget(rgpNUR);
  auto* right = new QVBoxLayout;
  right->addWidget(chkSaveCommandLineLog);
  right->addLayout(delayRow);
  right->addStretch();
  middle->addLayout(right);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* main = new QVBoxLayout(this);
  main->addWidget(directories);
  main->addLayout(middle);
  main->addWidget(ports);
  main->addLayout(buttons);
  resize(460, sizeHint().height());

  BrowseFolder = [this](const std::string& t, const std::string& p, const std::string& s) {
    return QtBrowseFolder(this, t, p, s);
  };
  connect(btnOk, &QPushButton::clicked, this, &TfrmOption2::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnDataPath, &QPushButton::clicked, this, &TfrmOption2::btnDataPathClick);
  connect(btnPunchPath, &QPushButton::clicked, this, &TfrmOption2::btnPunchPathClick);
}

void TfrmOption2::SetValues(const TOptionValues& v) {
  edtDataPath->setText(Latin1(v.DataPath));
  edtPunchPath->setText(Latin1(v.PunchPath));
  spnInterCommandDelay->setValue(v.InterCommandDelay);
  radNever->setChecked(v.NewUserNever);
  radAlways->setChecked(!v.NewUserNever);
  chkSaveCommandLineLog->setChecked(v.SaveCommandLineLog);
  for (int n = 1; n <= kSerialPortCount; ++n) {
    edtPorts[n - 1]->setText(Latin1(v.Ports[n - 1]));
    TPortInEffect e = PortInEffect(n, v.Ports);
    // Only an override needs saying: otherwise the edit (or its grey default) is the device.
    lblPortsInEffect[n - 1]->setText(
        e.Source == TPortSource::Environment
            ? Latin1(PortVariable(n) + " overrides: " + e.Device)
            : QString());
    lblPortsInEffect[n - 1]->setVisible(e.Source == TPortSource::Environment);
  }
}

TOptionValues TfrmOption2::Values() const {
  TOptionValues v;
  v.DataPath = Latin1Bytes(edtDataPath->text());
  v.PunchPath = Latin1Bytes(edtPunchPath->text());
  v.NewUserNever = radNever->isChecked();
  v.SaveCommandLineLog = chkSaveCommandLineLog->isChecked();
  // A half-typed value is read as the up-down shows it after editing ends.
  spnInterCommandDelay->interpretText();
  v.InterCommandDelay = spnInterCommandDelay->value();
  for (int n = 1; n <= kSerialPortCount; ++n)
    v.Ports[n - 1] = TrimBlanks(Latin1Bytes(edtPorts[n - 1]->text()));
  return v;
}

void TfrmOption2::btnOkClick() {
  TOptionCheck c = CheckOptions(Values());
  if (c.Field == TOptionField::None) {
    accept();
    return;
  }
  ShowWarning(c.Message);
  (c.Field == TOptionField::DataPath ? edtDataPath : edtPunchPath)->setFocus();
}

void TfrmOption2::btnDataPathClick() {
  auto dir = BrowseFolder("Browse for Data Path", "Please select a directory for data files.",
                          Latin1Bytes(edtDataPath->text()));
  if (dir) edtDataPath->setText(Latin1(*dir));
}

void TfrmOption2::btnPunchPathClick() {
  auto dir = BrowseFolder("Browse for Punch Data Path",
                          "Please select a directory for punch data files.",
                          Latin1Bytes(edtPunchPath->text()));
  if (dir) edtPunchPath->setText(Latin1(*dir));
}

}  // namespace zv
