#pragma once

#include "sni_types.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QPoint>

#include <functional>
#include <optional>
#include <utility>

namespace tallyglass {

// What Tallyglass publishes as an org.kde.StatusNotifierItem, with the Ayatana label that
// hosts such as GNOME's AppIndicator extension draw beside the icon. Every signal here goes
// out on the bus; the host's clicks come back through onActivate.
//
// While quiet (from each registration until the host first reads a property) changes are
// kept but not signalled: hosts that get a change signal before they have set up the item
// drop it (GNOME's AppIndicator extension does).
class StatusNotifierAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(tallyglass::SniPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyText)
    Q_PROPERTY(tallyglass::SniPixmapList OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyText)
    Q_PROPERTY(tallyglass::SniPixmapList AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ emptyText)
    Q_PROPERTY(tallyglass::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)

public:
    // waybar calls Activate twice for one click, after its first: a second call this soon is
    // the same click, and would close the panel it opened.
    static constexpr int sameClickMs = 100;
    // The widest summary there is, so hosts can keep room for the label as it changes.
    static constexpr char labelGuideText[] = "100% \u00B7 100%";

    explicit StatusNotifierAdaptor(QObject* parent);

    // Publishes new content; tells the host about what changed, and only that.
    void setContent(const SniPixmapList& pixmaps, const std::optional<QString>& summary);
    // The installed icon hosts may look up by name instead of the pixmaps; none by default.
    void setIconName(const QString& name, const QString& themePath);
    void setQuiet() { m_quiet = true; }
    bool quiet() const { return m_quiet; }

    std::function<void(QPoint)> onActivate;
    // The host's first look after a registration.
    std::function<void()> onFirstLook;

    QString category() const { return heard(QStringLiteral("ApplicationStatus")); }
    QString id() const { return heard(QStringLiteral("tallyglass")); }
    QString title() const { return heard(QStringLiteral("Tallyglass")); }
    QString status() const { return heard(QStringLiteral("Active")); }
    int windowId() const { return 0; }
    QString emptyText() const { return {}; }
    QString iconName() const { return heard(m_iconName); }
    QString iconThemePath() const { return m_iconThemePath; }
    SniPixmapList iconPixmap() const { return heard(m_pixmaps); }
    SniPixmapList noPixmaps() const { return {}; }
    SniToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const;
    QString label() const { return heard(m_summary.value_or(QString())); }
    QString labelGuide() const { return QString::fromUtf8(labelGuideText); }

public slots:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);
    // KDE's hosts hand over a token before a click, without which the compositor may keep the
    // keyboard focus from the window the click opens.
    void ProvideXdgActivationToken(const QString& token);

signals:
    void NewTitle();
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString& status);
    void XAyatanaNewLabel(const QString& label, const QString& guide);

private:
    template <typename T> T heard(T value) const {
        if (std::exchange(m_quiet, false) && onFirstLook)
            onFirstLook();
        return value;
    }

    SniPixmapList m_pixmaps;
    std::optional<QString> m_summary;
    QString m_iconName;
    QString m_iconThemePath;
    QString m_activationToken;
    QElapsedTimer m_sinceActivated;
    mutable bool m_quiet = true;
};

} // namespace tallyglass
