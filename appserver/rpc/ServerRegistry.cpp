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

int ServerRegistry::pendingWrites() const {
    int pending = 0;
    for (const std::shared_ptr<ServerObject>& object : objects_)
        pending += object->pendingWrites();
    return pending;
}

std::optional<QString> ServerRegistry::finishWrites() const {
    std::optional<QString> failure;
    for (const std::shared_ptr<ServerObject>& object : objects_) {
        if (object->pendingWrites() == 0)
            continue;
        if (std::optional<QString> lost = object->finishWrites(); lost && !failure)
            failure = std::move(lost);
    }
    return failure;
}
