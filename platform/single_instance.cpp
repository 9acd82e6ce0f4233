#include "single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <cerrno>
#include <optional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallyglass {
namespace {

constexpr QByteArrayView showRequest = "show\n";
// The holder may have taken the lock a moment ago and not be listening yet.
constexpr int holderWaitMs = 3000;

// The user at the other end of a local socket; none when the system does not say.
std::optional<uid_t> peerUser(qintptr descriptor) {
#if defined(SO_PEERCRED)
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return std::nullopt;
    return credentials.uid;
#else
    uid_t user = 0;
    gid_t group = 0;
    if (::getpeereid(int(descriptor), &user, &group) != 0)
        return std::nullopt;
    return user;
#endif
}

bool isOwnUser(const QLocalSocket& socket) {
    return peerUser(socket.socketDescriptor()) == ::geteuid();
}

} // namespace

SingleInstance::SingleInstance(QString folder, QObject* parent)
    : QObject(parent)
    , m_folder(std::move(folder)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && makePrivateFolder(runtime))
        return runtime;
    return QDir::tempPath() + QStringLiteral("/tallyglass-%1").arg(::geteuid());
}

bool SingleInstance::makePrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    return ::lstat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

bool SingleInstance::claim() {
    if (!makePrivateFolder(m_folder)) {
        qWarning("Tallyglass: %s is not a private folder; a second start will not find this one",
                 qUtf8Printable(m_folder));
        return true;
    }
    m_lock = std::make_unique<QLockFile>(m_folder + QStringLiteral("/tallyglass.lock"));
    // Held for the life of the process: only a holder that has ended leaves a stale lock.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        // Only a lock held by another instance means one runs; a folder that is read-only or
        // full must not keep the program from starting.
        if (m_lock->error() == QLockFile::LockFailedError) {
            askRunningInstance();
            return false;
        }
        qWarning("Tallyglass: cannot take the lock in %s (%s); a second start will not find "
                 "this one",
                 qUtf8Printable(m_folder),
                 m_lock->error() == QLockFile::PermissionError ? "no permission" : "error");
        return true;
    }
    listen();
    return true;
}

void SingleInstance::askRunningInstance() {
    const QString path = m_folder + QStringLiteral("/tallyglass.socket");
    const QDeadlineTimer deadline(holderWaitMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(path);
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            if (isOwnUser(socket)) {
                socket.write(showRequest.data(), showRequest.size());
                socket.waitForBytesWritten(int(deadline.remainingTime()));
            }
            return;
        }
        QThread::msleep(20);
    }
}

void SingleInstance::listen() {
    const QString path = m_folder + QStringLiteral("/tallyglass.socket");
    // The lock is ours, so a socket file there was left by an ended instance.
    QLocalServer::removeServer(path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::readRequest);
    // If listening fails the program still runs; it just cannot be found by a second start.
    m_server->listen(path);
}

void SingleInstance::readRequest() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (!isOwnUser(*socket)) {
            delete socket;
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Only the one short request exists; anything else from a peer is dropped.
            if (socket->canReadLine() && socket->readLine() == showRequest)
                emit showRequested();
            if (socket->canReadLine() || socket->bytesAvailable() > showRequest.size())
                socket->disconnectFromServer();
        });
    }
}

} // namespace tallyglass
