#include "tests/support/InProcessServer.h"

#include "appserver/object/ImpPocketObject.h"
#include "appserver/object/RecordJson.h"
#include "appserver/rpc/RpcDispatcher.h"
#include "components/NetConnection.h"
#include "toolkit/Exceptions.h"

InProcessServer::InProcessServer() : storage_(std::make_unique<Storage>(database_.location())) {
    registry_.add(std::make_shared<ImpPocketObject>(*storage_));
}

InProcessServer::~InProcessServer() = default;

void InProcessServer::Serve(TNetConnection& connection) {
    auto dispatcher =
        std::make_unique<RpcDispatcher>(registry_, AccessToken(), static_cast<int>(dispatchers_.size()) + 1);
    RpcDispatcher* handler = dispatcher.get();
    dispatchers_.push_back(std::move(dispatcher));
    connection.transport = [handler](const QByteArray& line) {
        return handler->handle(line.endsWith('\n') ? line.chopped(1) : line).value_or(QByteArray());
    };
}

void InProcessServer::Cut(TNetConnection& connection) {
    connection.transport = [](const QByteArray&) -> QByteArray {
        throw ESocketError(QStringLiteral("The in-process server's connection was cut"));
    };
}

QList<QJsonObject> InProcessServer::rows() const {
    QList<QJsonObject> rows;
    storage_->forEachTranslation([&rows](const TranslationRow& row) { rows.append(toJsonObject(row)); });
    return rows;
}

std::optional<QDateTime> InProcessServer::versionStamp() const {
    return storage_->versionStamp();
}
