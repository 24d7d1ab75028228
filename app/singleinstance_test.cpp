// One running program per user: a later start raises the first window and ends at once.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/apptest.h"
#include "app/singleinstance.h"

namespace zv {
namespace {

class SingleInstanceTest : public TAppTest {
 protected:
  QString Dir() const { return QString::fromStdString(RuntimeDir()).chopped(1); }

  // The program started with this test's own XDG directories.
  std::unique_ptr<QProcess> Start(const QStringList& args = {}) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(ConfigHome()));
    env.insert("XDG_DATA_HOME", QString::fromStdString(DataHome()));
    env.insert("XDG_RUNTIME_DIR", Dir());
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::SeparateChannels);
    p->start(ZV_ZORVAN32, args);
    EXPECT_TRUE(p->waitForStarted(5000));
    return p;
  }

  // Waits until the first program listens for later starts.
  bool WaitListening(QProcess& p) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000) {
      if (QFileInfo(Dir() + "/Zorvan32Mutex.sock").exists()) return true;
      if (p.waitForFinished(50)) return false;
    }
    return false;
  }

  static void Stop(QProcess& p) {
    p.kill();
    p.waitForFinished(5000);
  }
};

TEST_F(SingleInstanceTest, LaterStartAsksTheFirstToComeToTheFront) {
  TSingleInstance first(Dir());
  ASSERT_EQ(first.Start(), TSingleInstance::TResult::First);
  auto w = ShownWindow();
  QObject::connect(&first, &TSingleInstance::ActivationRequested, w.get(),
                   &TfrmZorvan::BringToFront);
  w->showMinimized();
  QCoreApplication::processEvents();
  ASSERT_TRUE(w->isMinimized());

  // The real program as the later start: it must end at once, running nothing.
  auto second = Start({"P"});
  QElapsedTimer t;
  t.start();
  while (second->state() != QProcess::NotRunning && t.elapsed() < 15000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    second->waitForFinished(20);
  }
  ASSERT_EQ(second->state(), QProcess::NotRunning);
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 2);  // its parameters were not run
  for (int i = 0; i < 100 && w->isMinimized(); ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  EXPECT_FALSE(w->isMinimized());
  EXPECT_TRUE(w->isVisible());
  // The later start made no settings and did not touch the data directory.
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(SettingsFile())));
}

TEST_F(SingleInstanceTest, TwoRealStartsLeaveOneRunning) {
  auto first = Start();
  ASSERT_TRUE(WaitListening(*first));
  auto second = Start({"X"});
  ASSERT_TRUE(second->waitForFinished(15000));
  EXPECT_EQ(second->exitCode(), 2);
  EXPECT_THAT(second->readAllStandardError().toStdString(),
              ::testing::HasSubstr("these parameters were not run"));
  EXPECT_EQ(first->state(), QProcess::Running);
  // Had the later start run its parameter, it would have left a command-line log.
  QDir data(QString::fromStdString(DataHome() + "zorvan32"));
  EXPECT_TRUE(data.entryList({"*.log", "*.Log"}, QDir::Files).isEmpty())
      << data.entryList().join(' ').toStdString();
  Stop(*first);

  // A program that died without cleaning up does not keep later starts out.
  auto third = Start();
  EXPECT_TRUE(WaitListening(*third));
  EXPECT_FALSE(third->waitForFinished(300));
  EXPECT_EQ(third->state(), QProcess::Running);
  Stop(*third);
}

TEST_F(SingleInstanceTest, UnwritableLockDirectoryRunsAlone) {
  // A plain file where the directory should be: the lock cannot be made at all.
  WriteFile(Root() + "notadir", "x");
  TSingleInstance alone(QString::fromStdString(Root() + "notadir"));
  EXPECT_EQ(alone.Start(), TSingleInstance::TResult::NoLock);
}

// Without a runtime directory the lock lives in a directory of this user's own; anything in
// its place that another user could have made or could enter is not trusted.
TEST_F(SingleInstanceTest, PrivateLockDirectoryIsTrustedOnlyWhenItIsOurs) {
  const QString base = QString::fromStdString(Root()).chopped(1);
  const QString mine = base + "/zorvan32-" + QString::number(getuid());
  const QByteArray path = QFile::encodeName(mine);
  struct stat st;
  struct TCase {
    const char* what;
    std::function<void()> prepare;
    bool trusted;
  };
  const TCase cases[] = {
      {"missing: made with mode 0700", [] {}, true},
      {"ours but open to others: closed first", [&] { chmod(path.constData(), 0777); }, true},
      {"a plain file",
       [&] {
         rmdir(path.constData());
         WriteFile(Root() + "zorvan32-" + std::to_string(getuid()), "x");
       },
       false},
      {"a link to a directory",
       [&] {
         unlink(path.constData());
         mkdir((Root() + "elsewhere").c_str(), 0700);
         EXPECT_EQ(symlink((Root() + "elsewhere").c_str(), path.constData()), 0);
       },
       false},
      {"another user's directory",
       [&] {
         unlink(path.constData());
         mkdir(path.constData(), 0700);
         if (chown(path.constData(), 65534, 65534) != 0) {
         }
       },
       getuid() != 0},  // only root can give a directory away; then it must be refused
  };
  for (const TCase& c : cases) {
    c.prepare();
    QString why;
    QString dir = TSingleInstance::PrivateDirectory(base, &why);
    if (c.trusted) {
      EXPECT_EQ(dir, mine) << c.what << ": " << why.toStdString();
      ASSERT_EQ(lstat(path.constData(), &st), 0) << c.what;
      EXPECT_EQ(st.st_mode & 0777, 0700u) << c.what;
      EXPECT_TRUE(S_ISDIR(st.st_mode)) << c.what;
    } else {
      EXPECT_TRUE(dir.isEmpty()) << c.what;
      EXPECT_FALSE(why.isEmpty()) << c.what;
    }
  }
}

}  // namespace
}  // namespace zv
