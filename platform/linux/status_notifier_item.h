#pragma once

#include "platform/status_item.h"

#include <QDBusConnection>

#include <array>

namespace tallyglass {

class DBusMenuAdaptor;
class StatusNotifierAdaptor;
class StatusNotifierHostWatch;

// The item as an org.kde.StatusNotifierItem on the session bus, for desktops whose panel
// hosts such items (GNOME with the AppIndicator extension, KDE Plasma, Xfce, ...). It
// registers with the desktop's watcher, and again each time a watcher appears; checks that
// the watcher lists it, and registers again when it does not or drops it, a few times.
// After a switch of KDE colour scheme it asks the host to draw its icon again.
class StatusNotifierItem final : public StatusItem {
    Q_OBJECT

public:
    static constexpr char objectPath[] = "/StatusNotifierItem";
    // The square sizes hosts pick from, in pixels.
    static constexpr std::array<int, 6> pixmapSides{16, 22, 24, 32, 48, 64};
    // How long after registering the item must be listed, and how often it may try again,
    // waiting twice as long each time from the first delay.
    static constexpr int confirmDelayMs = 500;
    static constexpr int retryDelayMs = 500;
    static constexpr int registrationAttempts = 4;
    static constexpr int slowRetryDelayMs = 30000;
    // When the label is told again after the host's first look.
    static constexpr int labelAgainMs = 2000;

    // The watch must outlive the item.
    explicit StatusNotifierItem(StatusNotifierHostWatch& watch, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    bool isShown() const override;
    void setContent(const QIcon& icon, const std::optional<QString>& summary) override;

private slots:
    void itemUnregistered(const QString& entry);
    // KDE's notice that its colours, fonts or other settings changed.
    void settingsChanged(int kind, int detail);

private:
    // Also tells of a change of isShown(), which the host's coming and going changes too.
    void setRegistered(bool registered);
    void registerWithWatcher();
    void confirm(quint64 attempt);
    void retry();
    void announceLabel();

    StatusNotifierHostWatch& m_watch;
    QDBusConnection m_bus;
    QString m_service;
    StatusNotifierAdaptor* m_adaptor;
    QObject* m_menuObject;
    DBusMenuAdaptor* m_menu;
    bool m_registered = false;
    bool m_toldShown = false;
    int m_attemptsLeft = registrationAttempts;
    // Answers to registrations sent to an earlier watcher are stale.
    quint64 m_attempt = 0;
};

} // namespace tallyglass
