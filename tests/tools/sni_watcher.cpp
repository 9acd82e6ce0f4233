// A minimal StatusNotifierWatcher and host for the end-to-end tests. It takes the watcher's
// name on the session bus and reports on standard output, one line each:
//   registered <service>      an item registered
//   unregistered <service>    its bus name went away
//   label <service> <text>    the item sent XAyatanaNewLabel
#include "support/mini_watcher.h"

#include <QCoreApplication>
#include <QDBusMessage>

#include <cstdio>

using tallyglass::testing::MiniWatcher;

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

class LabelPrinter final : public QObject {
    Q_OBJECT

public:
    explicit LabelPrinter(QString service)
        : m_service(std::move(service)) {}

public slots:
    void print(const QString& label, const QString&) {
        say(QStringLiteral("label %1 %2").arg(m_service, label));
    }

private:
    QString m_service;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    MiniWatcher watcher(bus);
    if (!watcher.isRunning()) {
        std::fprintf(stderr, "sni_watcher: cannot take org.kde.StatusNotifierWatcher\n");
        return 1;
    }
    QObject::connect(&watcher, &MiniWatcher::itemRegistered, [&](const QString& service) {
        auto* printer = new LabelPrinter(service);
        printer->setParent(&watcher);
        bus.connect(service, QStringLiteral("/StatusNotifierItem"),
                    QStringLiteral("org.kde.StatusNotifierItem"),
                    QStringLiteral("XAyatanaNewLabel"), printer, SLOT(print(QString, QString)));
        say(QStringLiteral("registered ") + service);
    });
    QObject::connect(&watcher, &MiniWatcher::itemUnregistered, [](const QString& service) {
        say(QStringLiteral("unregistered ") + service);
    });
    say(QStringLiteral("ready"));
    return QCoreApplication::exec();
}

#include "sni_watcher.moc"
