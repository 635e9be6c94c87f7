#pragma once

#include "appserver/object/ServerObject.h"

#include <QHash>
#include <QString>

#include <memory>

// The server objects this process hosts, by their exact (case-sensitive) name.
class ServerRegistry {
public:
    void add(std::shared_ptr<ServerObject> object);
    // nullptr for an unknown name.
    ServerObject* find(const QString& name) const;
    QStringList names() const;

private:
    QHash<QString, std::shared_ptr<ServerObject>> objects_;
};
