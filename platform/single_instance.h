#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

namespace tallyglass {

// One running program per user. The first start holds a lock in a private runtime folder for
// its whole life and listens on a local socket beside it; a later start, failing to take the
// lock, asks the holder to show its panel and then leaves. Only peers of the same user count.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QString folder = defaultFolder(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one instance, or when no private folder can be had
    // (then nothing guards against a second start, but the program runs). False when another
    // instance holds the lock; it has been asked to show its panel.
    bool claim();

    // The user's runtime folder when it is private, else tallyglass-<uid> in the temporary
    // folder.
    static QString defaultFolder();

    // Makes the folder (mode 0700) when missing. True when it is a folder, not a link, owned
    // by this user, that nobody else may enter.
    static bool makePrivateFolder(const QString& path);

signals:
    void showRequested();

private:
    void askRunningInstance();
    void listen();
    void readRequest();

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace tallyglass
