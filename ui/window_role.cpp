#include "ui/window_role.h"

#include <QAccessibleWidget>
#include <QVariant>
#include <QWidget>

namespace candlewatcher {

namespace {

const char* const WindowRoleProperty = "candlewatcherWindowRole";

QAccessibleInterface* WindowInterface(const QString& /*className*/, QObject* object) {
    if (object == nullptr || !object->isWidgetType() || !object->property(WindowRoleProperty).toBool()) {
        return nullptr;
    }
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

} // namespace

void GiveWindowRole(QWidget& window) {
    static const bool installed = [] {
        QAccessible::installFactory(&WindowInterface);
        return true;
    }();
    (void)installed;
    window.setProperty(WindowRoleProperty, true);
}

} // namespace candlewatcher
