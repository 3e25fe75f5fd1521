#pragma once
// One client per settings folder (per user, as each user has a folder of their own): two
// clients would show two lyrics bands, hold two connections and write the same files. The
// first start takes a lock file in the folder and listens on a local socket named after
// the folder; a later start finds the lock taken, asks the first to come to the front and
// ends. A lock left by a client that died is taken over. GUI thread.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <memory>

namespace quilla::client {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // `settings_folder` is created when missing.
  explicit SingleInstance(const std::filesystem::path& settings_folder, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when this process is now the client of the folder; it then answers later starts.
  // False only when another live client holds the lock. (Where no lock can be written at
  // all, this client runs unguarded rather than not at all.)
  bool Acquire();
  // For a later start (Acquire gave false): asks the running client to come to the front
  // and waits at most `limit` for its answer. True when it answered.
  bool AskRunningToRaise(std::chrono::milliseconds limit = std::chrono::seconds(3));

  // The lock file and the local socket's name (for tests and messages).
  QString lock_file() const { return lock_path_; }
  QString socket_name() const { return name_; }

 signals:
  // A later start asked for the window.
  void RaiseRequested();

 private:
  void Answer();

  QString lock_path_;
  QString name_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer server_;
};

}  // namespace quilla::client
