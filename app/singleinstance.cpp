#include "app/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace {
constexpr const char* kLockName = "Zorvan32Mutex";
constexpr const char* kActivate = "activate\n";
constexpr int kConnectMs = 2000;
}  // namespace

TSingleInstance::TSingleInstance(const QString& dir, QObject* parent)
    : QObject(parent), dir_(dir.isEmpty() ? DefaultDirectory(&refused_) : dir) {}

TSingleInstance::~TSingleInstance() {
  if (server_) server_->close();
  if (lock_) lock_->unlock();
}

namespace {

// A directory of this user's own: a real directory (lstat, so that a link planted in its place
// is seen for what it is) that belongs to the user and that nobody else may enter. One that is
// open to others is closed first when `tighten`, else refused. Empty means trusted.
QString Distrust(const QByteArray& path, bool tighten) {
  struct stat st;
  if (::lstat(path.constData(), &st) != 0) return QString::fromLocal8Bit(std::strerror(errno));
  if (!S_ISDIR(st.st_mode)) return "not a directory";
  if (st.st_uid != ::getuid()) return "belongs to another user";
  if ((st.st_mode & 077) != 0 && !(tighten && ::chmod(path.constData(), 0700) == 0))
    return "open to other users";
  return QString();
}

}  // namespace

QString TSingleInstance::DefaultDirectory(QString* why) {
  const char* run = std::getenv("XDG_RUNTIME_DIR");
  if (run && run[0] == '/') return QString::fromLocal8Bit(run);
  // cron and other service starts set no runtime directory. While the user has a session, the
  // system's runtime directory of the user is the one the desktop's program uses, so a run
  // from cron finds it there.
  const QString system = "/run/user/" + QString::number(::getuid());
  if (Distrust(QFile::encodeName(system), false).isEmpty()) return system;
  // Otherwise a directory of the user's own in the shared temporary directory: one name there
  // would let any other user's program, or anyone who makes the file, keep this user's runs out.
  return PrivateDirectory(QDir::tempPath(), why);
}

QString TSingleInstance::PrivateDirectory(const QString& base, QString* why) {
  const QString dir = base + "/zorvan32-" + QString::number(::getuid());
  const QByteArray path = QFile::encodeName(dir);
  QString refused;
  if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
    refused = QString::fromLocal8Bit(std::strerror(errno));
  } else {
    refused = Distrust(path, true);
  }
  if (refused.isEmpty()) return dir;
  if (why) *why = dir + ": " + refused;
  return QString();
}

QString TSingleInstance::LockFileName() const { return dir_ + "/" + kLockName; }

// A socket cannot share the lock file's name in one directory, so it carries a suffix.
QString TSingleInstance::SocketName() const { return dir_ + "/" + kLockName + ".sock"; }

TSingleInstance::TResult TSingleInstance::Start() {
  if (dir_.isEmpty()) return TResult::NoLock;
  lock_ = std::make_unique<QLockFile>(LockFileName());
  // Held for the whole run: only a dead owner makes the lock stale, never its age.
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    if (lock_->error() == QLockFile::LockFailedError) {
      // The owner may be between taking the lock and listening; give it a moment.
      for (int i = 0; i < 20; ++i) {
        if (AskFirstToActivate()) return TResult::Second;
        QThread::msleep(100);
      }
      return TResult::Second;
    }
    lock_.reset();
    return TResult::NoLock;
  }
  // We own the lock, so a socket left behind by a crashed run is ours to remove.
  QLocalServer::removeServer(SocketName());
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_.get(), &QLocalServer::newConnection, this, &TSingleInstance::OnNewConnection);
  server_->listen(SocketName());  // without it later starts still end; they cannot raise us
  return TResult::First;
}

bool TSingleInstance::AskFirstToActivate() {
  QLocalSocket s;
  s.connectToServer(SocketName());
  if (!s.waitForConnected(kConnectMs)) return false;
  s.write(kActivate);
  bool ok = s.waitForBytesWritten(kConnectMs);
  s.disconnectFromServer();
  if (s.state() != QLocalSocket::UnconnectedState) s.waitForDisconnected(kConnectMs);
  return ok;
}

void TSingleInstance::OnNewConnection() {
  while (QLocalSocket* s = server_->nextPendingConnection()) {
    auto onData = [this, s] {
      // The request is one short line; act once it is complete.
      if (!s->canReadLine()) return;
      QByteArray line = s->readLine();
      if (line == kActivate) emit ActivationRequested();
    };
    connect(s, &QLocalSocket::readyRead, this, onData);
    connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
    onData();
  }
}

}  // namespace zv
