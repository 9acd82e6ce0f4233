#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tallyglass {

// One running program per user. The first start listens on a per-user local socket; a later
// start asks it to show its panel and then leaves.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the one instance. False when another instance runs; it
    // has then been asked to show its panel.
    bool claim();

    // In the user's runtime folder when there is one, else in the temporary folder with the
    // user's id in the name.
    static QString defaultSocketPath();

signals:
    void showRequested();

private:
    bool askRunningInstance();
    void readRequest();

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};

} // namespace tallyglass
