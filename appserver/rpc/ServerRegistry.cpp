#include "appserver/rpc/ServerRegistry.h"

void ServerRegistry::add(std::shared_ptr<ServerObject> object) {
    const QString name = object->name();
    objects_.insert(name, std::move(object));
}

ServerObject* ServerRegistry::find(const QString& name) const {
    const auto it = objects_.constFind(name);
    return it == objects_.constEnd() ? nullptr : it->get();
}

QStringList ServerRegistry::names() const {
    return objects_.keys();
}
