// The least a Qt program does to show a tray icon: the reference for the program's start time
// and idle cost.

#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::black);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.show();
    return QApplication::exec();
}
