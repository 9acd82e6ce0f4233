#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

#include <span>

namespace tallyglass {

// One icon rendition as a StatusNotifierItem carries it (D-Bus "(iiay)"): the pixels are
// ARGB32, not premultiplied, in network byte order, row after row.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using SniPixmapList = QList<SniPixmap>;

// The item's tooltip (D-Bus "(sa(iiay)ss)").
struct SniToolTip {
    QString iconName;
    SniPixmapList icon;
    QString title;
    QString description;
};

SniPixmap sniPixmap(const QImage& image);

// The icon's renditions at these square sizes in device pixels.
SniPixmapList sniPixmaps(const QIcon& icon, std::span<const int> sides);

// Makes the types above known to Qt D-Bus; safe to call more than once.
void registerSniTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip);

} // namespace tallyglass

Q_DECLARE_METATYPE(tallyglass::SniPixmap)
Q_DECLARE_METATYPE(tallyglass::SniToolTip)
