#include "single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace tallyglass {
namespace {

constexpr QByteArrayView showRequest = "show\n";
constexpr int answerTimeoutMs = 1000;

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultSocketPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QStringLiteral("/tallyglass.socket");
    return QDir::tempPath() + QStringLiteral("/tallyglass-%1.socket").arg(::getuid());
}

bool SingleInstance::claim() {
    if (askRunningInstance())
        return false;
    // Nobody answered: a socket file left by an ended instance is in the way, not a peer.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::readRequest);
    // If listening fails the program still runs; it just cannot be found by a second start.
    m_server->listen(m_socketPath);
    return true;
}

bool SingleInstance::askRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(answerTimeoutMs))
        return false;
    socket.write(showRequest.data(), showRequest.size());
    socket.waitForBytesWritten(answerTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::readRequest() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
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
