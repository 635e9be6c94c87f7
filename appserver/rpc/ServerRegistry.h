#pragma once

#include "appserver/object/ServerObject.h"

#include <QHash>
#include <QString>

#include <memory>
#include <optional>

// The server objects this process hosts, by their exact (case-sensitive) name.
class ServerRegistry {
public:
    void add(std::shared_ptr<ServerObject> object);
    // nullptr for an unknown name.
    ServerObject* find(const QString& name) const;
    QStringList names() const;

    // Writes of all the objects' calls that are not yet durable (see ServerObject::pendingWrites).
    int pendingWrites() const;
    bool writesFull() const;
    // Commits every object's pending writes: why some were lost, if they were, and which calls'
    // writes failed on their own.
    ServerObject::WritesOutcome finishWrites() const;

private:
    QHash<QString, std::shared_ptr<ServerObject>> objects_;
};
