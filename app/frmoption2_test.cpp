// The Options dialog: its checks with the focus on the faulty edit, its folder browsers, and
// what OK writes to the settings and reloads.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

#include "app/apptest.h"
#include "app/frmoption2.h"
#include "app/inifile.h"
#include "reader/engine.h"

namespace zv {
namespace {

class OptionsTest : public TAppTest {
 protected:
  // The dialog filled from a shown window's settings.
  std::unique_ptr<TfrmOption2> Dialog(TfrmZorvan& w) {
    auto d = std::make_unique<TfrmOption2>(&w);
    d->SetValues(w.CurrentOptions());
    d->show();
    return d;
  }
  std::string Key(const std::string& key) {
    TIniFile ini(SettingsFile());
    return ini.ValueExists("Zorvan32", key) ? ini.ReadString("Zorvan32", key, "") : "<absent>";
  }
};

TEST_F(OptionsTest, DialogIsFilledFromTheSettings) {
  std::string data = MakeDir("Data");
  WriteSettings("[Zorvan32]\nDataPath=" + data + "\nNewUserRestriction=0\nInterCommandDelay=9\n"
                "SaveCommandLineLog=0\n");
  auto w = ShownWindow();
  auto d = Dialog(*w);
  EXPECT_EQ(d->windowTitle().toStdString(), "Options");
  EXPECT_EQ(d->edtDataPath->text().toStdString() + "/", data);
  EXPECT_EQ(d->edtPunchPath->text().toStdString() + "/", data);
  EXPECT_TRUE(d->radAlways->isChecked());
  EXPECT_FALSE(d->chkSaveCommandLineLog->isChecked());
  EXPECT_EQ(d->spnInterCommandDelay->value(), 9);
  auto* edit = d->findChild<QLineEdit*>("edtInterCommandDelay");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->maxLength(), 2);
  EXPECT_EQ(d->spnInterCommandDelay->minimum(), 1);
  EXPECT_EQ(d->spnInterCommandDelay->maximum(), 60);
  EXPECT_FALSE(d->spnInterCommandDelay->wrapping());
  EXPECT_TRUE(d->btnOk->isDefault());
}

TEST_F(OptionsTest, SerialPortsShowTheSettingsAndTheEnvironmentsOverrideAndAreWritten) {
  WriteSettings("[Zorvan32]\n[Ports]\nCOM2=/dev/ttyUSB0\nCOM4= /dev/serial/by-id/usb-FTDI \n");
  auto w = ShownWindow();
  auto d = Dialog(*w);
  EXPECT_EQ(d->edtPorts[0]->text().toStdString(), "");
  EXPECT_EQ(d->edtPorts[0]->placeholderText().toStdString(), "/dev/ttyS0");
  EXPECT_EQ(d->edtPorts[1]->text().toStdString(), "/dev/ttyUSB0");
  EXPECT_EQ(d->edtPorts[3]->text().toStdString(), "/dev/serial/by-id/usb-FTDI");
  // The tests run with every RDRDLL32_COMn set: each port says that the variable wins.
  EXPECT_EQ(d->lblPortsInEffect[1]->text().toStdString().rfind("RDRDLL32_COM2 overrides: ", 0), 0u);
  EXPECT_EQ(d->findChild<QLineEdit*>("edtCOM3"), d->edtPorts[2]);

  d->edtPorts[2]->setText(" /dev/ttyACM0 ");
  d->edtPorts[1]->setText("");
  w->ApplyOptions(d->Values());
  TIniFile ini(SettingsFile());
  EXPECT_EQ(ini.ReadString("Ports", "COM3", "<absent>"), "/dev/ttyACM0");
  EXPECT_EQ(ini.ReadString("Ports", "COM2", "<absent>"), "");
  EXPECT_EQ(ini.ReadString("Ports", "COM4", "<absent>"), "/dev/serial/by-id/usb-FTDI");
  EXPECT_EQ(NewWindow()->PortDevices,
            (TPortDevices{"", "", "/dev/ttyACM0", "/dev/serial/by-id/usb-FTDI"}));
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(OptionsTest, OkWarnsAboutTheFirstBadDirectoryAndFocusesIt) {
  auto w = ShownWindow();
  auto d = Dialog(*w);
  std::string good = MakeDir("good");
  d->edtDataPath->setText(QString::fromStdString(Root() + "nowhere"));
  d->edtPunchPath->setText(QString::fromStdString(Root() + "nowhere2"));
  d->btnOk->click();
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0], "Data Path: " + Root() + "nowhere, not a valid directory.");
  EXPECT_EQ(boxes.shown[0].icon, TMsgIcon::Warning);
  EXPECT_EQ(d->focusWidget(), d->edtDataPath);
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->result(), 0);

  d->edtDataPath->setText(QString::fromStdString(good));
  d->btnOk->click();
  ASSERT_EQ(boxes.Texts().size(), 2u);
  EXPECT_EQ(boxes.Texts()[1], "Punch Log Path: " + Root() + "nowhere2, not a valid directory.");
  EXPECT_EQ(d->focusWidget(), d->edtPunchPath);
  EXPECT_TRUE(d->isVisible());

  // A file is not a directory; an empty text is not one either.
  WriteFile(Root() + "afile", "x");
  d->edtPunchPath->setText(QString::fromStdString(Root() + "afile"));
  d->btnOk->click();
  d->edtPunchPath->setText("");
  d->btnOk->click();
  ASSERT_EQ(boxes.Texts().size(), 4u);
  EXPECT_EQ(boxes.Texts()[3], "Punch Log Path: , not a valid directory.");

  d->edtPunchPath->setText(QString::fromStdString(good));
  d->btnOk->click();
  EXPECT_EQ(boxes.Texts().size(), 4u);
  EXPECT_EQ(d->result(), QDialog::Accepted);
}

TEST_F(OptionsTest, FolderBrowsersReplaceTheEditOnlyWhenAFolderIsChosen) {
  auto w = ShownWindow();
  auto d = Dialog(*w);
  std::vector<std::string> asked;
  std::optional<std::string> answer = std::string("/chosen/dir");
  d->BrowseFolder = [&](const std::string& t, const std::string& p, const std::string& s) {
    asked = {t, p, s};
    return answer;
  };
  std::string start = d->edtDataPath->text().toStdString();
  d->btnDataPath->click();
  EXPECT_EQ(asked, (std::vector<std::string>{"Browse for Data Path",
                                             "Please select a directory for data files.", start}));
  EXPECT_EQ(d->edtDataPath->text().toStdString(), "/chosen/dir");
  answer.reset();
  d->btnPunchPath->click();
  EXPECT_EQ(asked[0], "Browse for Punch Data Path");
  EXPECT_EQ(asked[1], "Please select a directory for punch data files.");
  EXPECT_EQ(d->edtPunchPath->text().toStdString(), start);
}

TEST_F(OptionsTest, SameDirectoryWithTrailingDelimiterWritesNothing) {
  auto w = ShownWindow();
  TOptionValues v = w->CurrentOptions();
  v.DataPath += "/";
  v.PunchPath += "/";
  w->ApplyOptions(v);
  EXPECT_EQ(Key("DataPath"), "<absent>");
  EXPECT_EQ(Key("PunchPath"), "<absent>");
  EXPECT_EQ(Key("SaveCommandLineLog"), "<absent>");
  EXPECT_EQ(Key("InterCommandDelay"), "<absent>");
  // The restriction is written every time.
  EXPECT_EQ(Key("NewUserRestriction"), "61");
}

TEST_F(OptionsTest, ChangedSettingsAreWrittenAtOnce) {
  auto w = ShownWindow();
  std::string data = MakeDir("New Data");
  std::string oldPunch = w->PunchPath;
  QString logBefore = w->lb->toPlainText();
  TOptionValues v = w->CurrentOptions();
  v.DataPath = data;  // with its trailing "/"
  v.NewUserNever = false;
  v.SaveCommandLineLog = false;
  v.InterCommandDelay = 30;
  w->ApplyOptions(v);
  EXPECT_EQ(w->DataPath, data);
  EXPECT_EQ(Key("DataPath"), data.substr(0, data.size() - 1));
  EXPECT_EQ(w->PunchPath, oldPunch);  // the punch directory stays for this run
  EXPECT_EQ(Key("PunchPath"), "<absent>");
  EXPECT_EQ(w->NewUserRestriction, 0);
  EXPECT_EQ(NewUserRestriction(), 0);  // what polling gives the users it adds
  EXPECT_EQ(Key("NewUserRestriction"), "0");
  EXPECT_FALSE(w->AutoSaveCommandLineLog);
  EXPECT_EQ(Key("SaveCommandLineLog"), "0");
  EXPECT_EQ(w->InterCommandDelay, 30);
  EXPECT_EQ(Key("InterCommandDelay"), "30");
  EXPECT_EQ(w->lb->toPlainText(), logBefore);  // reloading writes no log line

  // Next start: without a PunchPath key the punch directory follows the new data directory.
  auto again = NewWindow();
  EXPECT_EQ(again->DataPath, data);
  EXPECT_EQ(again->PunchPath, data);
  EXPECT_EQ(again->InterCommandDelay, 30);
  EXPECT_FALSE(again->AutoSaveCommandLineLog);
  EXPECT_EQ(again->NewUserRestriction, 0);
}

TEST_F(OptionsTest, DirectoryInAnotherLetterCaseIsAnotherDirectory) {
  std::string lower = MakeDir("data");
  WriteSettings("[Zorvan32]\r\nDataPath=" + lower + "\r\n");
  auto w = ShownWindow();
  TOptionValues v = w->CurrentOptions();
  v.DataPath = Root() + "DATA";
  w->ApplyOptions(v);
  EXPECT_EQ(w->DataPath, Root() + "DATA/");
  EXPECT_EQ(Key("DataPath"), Root() + "DATA");
}

TEST_F(OptionsTest, RootDirectorySurvivesTheSettingsFile) {
  // The punch directory only: a data directory of "/" would have its files created there.
  auto w = ShownWindow();
  TOptionValues v = w->CurrentOptions();
  v.PunchPath = "/";
  w->ApplyOptions(v);
  EXPECT_EQ(w->PunchPath, "/");
  EXPECT_EQ(Key("PunchPath"), "/");
  EXPECT_EQ(w->CurrentOptions().PunchPath, "/");
  // Written as an empty text it would read back as absent, moving the punch logs away.
  EXPECT_EQ(NewWindow()->PunchPath, "/");
  EXPECT_FALSE(DirectoryChanged("/", "/"));
  EXPECT_TRUE(DirectoryChanged("/", "/data/"));
}

TEST_F(OptionsTest, MenuItemRunsTheDialogAndCancelChangesNothing) {
  auto w = ShownWindow();
  std::string data = MakeDir("picked");
  auto answer = [&](bool ok) {
    QTimer::singleShot(0, [&, ok] {
      auto* d = qobject_cast<TfrmOption2*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      d->edtDataPath->setText(QString::fromStdString(data));
      d->spnInterCommandDelay->setValue(45);
      (ok ? d->btnOk : d->btnCancel)->click();
    });
  };
  answer(false);
  w->mniOptions->trigger();
  EXPECT_NE(w->DataPath, data);
  EXPECT_FALSE(FileExists(SettingsFile()));
  answer(true);
  w->mniOptions->trigger();
  EXPECT_EQ(w->DataPath, data);
  EXPECT_EQ(w->InterCommandDelay, 45);
  EXPECT_EQ(Key("InterCommandDelay"), "45");
}

TEST_F(OptionsTest, SettingsThatCannotBeWrittenAreToldOnce) {
  // A plain file where the settings file should be written: its directory cannot be made.
  setenv("XDG_CONFIG_HOME", (Root() + "blocked/config").c_str(), 1);
  WriteFile(Root() + "blocked", "x");
  TAppPaths p = Paths();
  auto blocked = std::make_unique<TfrmZorvan>(p);
  blocked->show();
  TOptionValues v = blocked->CurrentOptions();
  v.InterCommandDelay = 20;
  v.SaveCommandLineLog = false;
  blocked->ApplyOptions(v);
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0].rfind("Unable to save the settings to " + Root() + "blocked/config/zorvan32.INI", 0), 0u)
      << boxes.Texts()[0];
  // The run goes on with the values chosen.
  EXPECT_EQ(blocked->InterCommandDelay, 20);
}

TEST_F(OptionsTest, OptionsWaitWhileAnOperationRuns) {
  auto w = ShownWindow();
  w->Busy = true;
  EXPECT_FALSE(AnyOpensADialog({w->mniOptions}));
}

}  // namespace
}  // namespace zv
