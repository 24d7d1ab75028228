// TSingleInstance: one running program per user. The first process holds the lock file
// Zorvan32Mutex and listens on a local socket beside it; a later process asks it over that
// socket to bring its window to the front, then ends without running anything.
#pragma once
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace zv {

class TSingleInstance : public QObject {
  Q_OBJECT
 public:
  // Lock and socket live in `dir` (empty: DefaultDirectory).
  explicit TSingleInstance(const QString& dir = QString(), QObject* parent = nullptr);
  ~TSingleInstance() override;

  enum class TResult {
    First,       // we hold the lock and listen for later starts
    Second,      // another process holds it; it has been asked to come to the front
    NoLock,      // the lock cannot be made at all (an unwritable or untrusted directory): run alone
  };
  TResult Start();

  // $XDG_RUNTIME_DIR; else /run/user/UID when it is the user's own (a session is open); else
  // PrivateDirectory of the temporary directory; empty (with the reason in `why`) when that
  // cannot be trusted.
  static QString DefaultDirectory(QString* why = nullptr);
  // base + "/zorvan32-" + the user id, made with mode 0700 when missing. Empty, with the reason
  // in `why`, unless it is a directory (not a link) that belongs to this user; one that is
  // open to others is closed to them first.
  static QString PrivateDirectory(const QString& base, QString* why = nullptr);
  // Why no lock directory could be trusted (empty when one was given or found).
  QString Refused() const { return refused_; }
  QString LockFileName() const;
  QString SocketName() const;

 signals:
  // A later start asked this process to show its window restored and in front.
  void ActivationRequested();

 private:
  void OnNewConnection();
  bool AskFirstToActivate();

  QString refused_;
  QString dir_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace zv
