#include "ui/control_factory.h"

#include <QHash>

#include <mutex>

#include "ui/layout.h"

namespace ui {
namespace {

struct Registry {
    std::mutex mutex;
    QHash<QString, ControlFactory> factories;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void RegisterControl(const QString& tag, ControlFactory factory) {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.factories.insert(tag.toLower(), std::move(factory));
}

QWidget* CreateRegisteredControl(const QString& tag, const LayoutNode& node, QString* error,
                                 bool* known) {
    ControlFactory factory;
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.mutex);
        factory = r.factories.value(tag.toLower());
    }
    *known = static_cast<bool>(factory);
    return factory ? factory(node, error) : nullptr;
}

}  // namespace ui
