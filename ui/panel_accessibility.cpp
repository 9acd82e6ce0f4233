#include "panel_accessibility.h"

#include "elided_label.h"
#include "menu_view.h"
#include "source_switch.h"
#include "usage_bar.h"
#include "usage_row.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QWindow>

namespace tallyglass {
namespace {

class ApplicationWithPopups final : public QAccessibleApplication {
public:
    int childCount() const override { return static_cast<int>(windows().size()); }

    QAccessibleInterface* child(int index) const override {
        const QObjectList shown = windows();
        return index >= 0 && index < shown.size()
                   ? QAccessible::queryAccessibleInterface(shown.at(index))
                   : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(windows().indexOf(child->object())) : -1;
    }

private:
    // Every top-level window as Qt lists them, and the popups only while they are shown:
    // a closed one is nothing a user can reach.
    static QObjectList windows() {
        QObjectList list;
        for (QWindow* window : QGuiApplication::topLevelWindows()) {
            if (window->type() == Qt::Desktop ||
                (window->type() == Qt::Popup && !window->isVisible()))
                continue;
            if (QAccessibleInterface* root = window->accessibleRoot(); root && root->object())
                list.append(root->object());
        }
        return list;
    }
};

// The whole text, also where the label shows it cut short.
class ElidedLabelInterface final : public QAccessibleWidget {
public:
    explicit ElidedLabelInterface(ElidedLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        const QString own = QAccessibleWidget::text(kind);
        return kind == QAccessible::Name && own.isEmpty()
                   ? static_cast<ElidedLabel*>(widget())->text()
                   : own;
    }
};

// A bar from 0 to 100 that says its value, as the platform's progress bars do.
class UsageBarInterface final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit UsageBarInterface(UsageBar* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return static_cast<UsageBar*>(widget())->value(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 100.0; }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.0; }
};

QAccessibleInterface* panelInterface(const QString&, QObject* object) {
    if (object && object == QCoreApplication::instance())
        return new ApplicationWithPopups;
    if (auto* view = qobject_cast<MenuView*>(object))
        return new QAccessibleWidget(view, QAccessible::Window);
    // A row and the switch each stand for one thing, under one name.
    if (auto* row = qobject_cast<UsageRow*>(object))
        return new QAccessibleWidget(row, QAccessible::Grouping);
    if (auto* sourceSwitch = qobject_cast<SourceSwitch*>(object))
        return new QAccessibleWidget(sourceSwitch, QAccessible::Grouping);
    if (auto* bar = qobject_cast<UsageBar*>(object))
        return new UsageBarInterface(bar);
    if (auto* label = qobject_cast<ElidedLabel*>(object))
        return new ElidedLabelInterface(label);
    return nullptr;
}

} // namespace

void installPanelAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(panelInterface);
        return true;
    }();
    (void)installed;
}

} // namespace tallyglass
