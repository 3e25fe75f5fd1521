#include "client/app/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>

#include <cstdio>

namespace quilla::client {
namespace {

constexpr char kRaise[] = "raise\n";
constexpr char kRaised[] = "raised\n";

}  // namespace

SingleInstance::SingleInstance(const std::filesystem::path& settings_folder, QObject* parent)
    : QObject(parent) {
  std::error_code ec;
  std::filesystem::create_directories(settings_folder, ec);
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(settings_folder, ec);
  const QString folder = QString::fromStdString((ec ? settings_folder : canonical).string());
  lock_path_ = folder + QStringLiteral("/quilla_client.lock");
  // The socket lives in the temporary folder (a settings path may be longer than a socket
  // address may be); its name says whose folder it serves.
  const QByteArray digest =
      QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  name_ = QStringLiteral("quilla-client-%1-%2").arg(getuid()).arg(QString::fromLatin1(digest));
  lock_ = std::make_unique<QLockFile>(lock_path_);
  // The lock stands for as long as its process lives, however long that is.
  lock_->setStaleLockTime(0);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Answer);
}

SingleInstance::~SingleInstance() {
  server_.close();
  if (lock_->isLocked()) lock_->unlock();
}

bool SingleInstance::Acquire() {
  if (!lock_->tryLock(0)) {
    if (lock_->error() == QLockFile::LockFailedError) return false;
    // The folder does not let us write a lock (read-only, full): a client that cannot
    // tell whether another runs still starts; the settings will not be saved there either.
    std::fprintf(stderr, "无法在设置文件夹中建立锁文件：%s\n", qPrintable(lock_path_));
  }
  // Holding the lock, any socket of that name is a leftover of a client that died.
  QLocalServer::removeServer(name_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_.listen(name_)) {
    std::fprintf(stderr, "以后的启动无法联系到本客户端：%s\n", qPrintable(server_.errorString()));
  }
  return true;
}

bool SingleInstance::AskRunningToRaise(std::chrono::milliseconds limit) {
  const QDeadlineTimer deadline(limit);
  // The running client may have taken the lock a moment ago and not be listening yet.
  while (!deadline.hasExpired()) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)))) {
      socket.write(kRaise);
      socket.flush();
      while (socket.bytesAvailable() < static_cast<qint64>(sizeof kRaised - 1) &&
             socket.waitForReadyRead(
                 static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)))) {
      }
      return socket.readAll() == kRaised;
    }
    QThread::msleep(50);
  }
  return false;
}

void SingleInstance::Answer() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (!socket->canReadLine()) return;
      if (socket->readLine() == kRaise) {
        emit RaiseRequested();
        socket->write(kRaised);
        socket->flush();
      }
      socket->disconnectFromServer();
    });
  }
}

}  // namespace quilla::client
