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

bool ServerRegistry::writesFull() const {
    for (const std::shared_ptr<ServerObject>& object : objects_)
        if (object->writesFull())
            return true;
    return false;
}

ServerObject::WritesOutcome ServerRegistry::finishWrites() const {
    ServerObject::WritesOutcome outcome;
    for (const std::shared_ptr<ServerObject>& object : objects_) {
        if (object->pendingWrites() == 0)
            continue;
        ServerObject::WritesOutcome own = object->finishWrites();
        if (own.lost && !outcome.lost)
            outcome.lost = std::move(own.lost);
        outcome.failedCalls.insert(own.failedCalls);
    }
    return outcome;
}
