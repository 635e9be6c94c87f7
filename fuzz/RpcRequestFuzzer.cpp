// Treats the input as the lines a client sends on one connection: each line is parsed as a
// JSON-RPC request and dispatched as the server does, to a registry holding the real
// ImpPocketObject on a SQLite database. RpcConnection does the same but only behind a socket, so
// the envelope checks that decide what reaches the server object are restated here; the server
// object, its delta reading, the matching rule and the storage are the real ones.
//
// Faults: a crash, a leak, a hang, an exception other than RpcError, a result object of the wrong
// shape, a Get method that fails, and a Set method that fails but leaves the data changed. A
// StorageError counts as well: it means the database refused what the server let through, and
// the fuzzer's database is healthy.

#include "appserver/DataPacket.h"
#include "appserver/DatabaseLocation.h"
#include "appserver/ImpPocketObject.h"
#include "appserver/Records.h"
#include "appserver/RpcError.h"
#include "appserver/ServerRegistry.h"
#include "appserver/Storage.h"
#include "appserver/TranslationKey.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// Lines handled per input: enough for an open and a few calls, few enough to keep inputs quick.
constexpr int kMaxLinesPerInput = 16;

[[noreturn]] void broken(const QString& what) {
    std::fprintf(stderr, "request handling fault: %s\n", qPrintable(what));
    std::abort();
}

TranslationRow baselineRow(const QString& component, const QString& value) {
    TranslationRow row;
    row.program = QStringLiteral("VDR04000");
    row.form = QStringLiteral("frmMain");
    row.component = component;
    row.property = QStringLiteral("CAPTION");
    row.state = QStringLiteral("N");
    row.value = value;
    row.language = QStringLiteral("POR");
    return row;
}

// The data every input starts from, so that an input behaves the same however often it runs.
struct Server {
    QTemporaryDir directory;
    std::unique_ptr<Storage> storage;
    ServerRegistry registry;

    Server() : directory(memoryBackedTempPath() + QStringLiteral("/rpc-fuzz-XXXXXX")) {
        if (!directory.isValid())
            broken(QStringLiteral("cannot create a temporary directory"));
        DatabaseLocation location;
        location.sqlitePath = directory.filePath(QStringLiteral("translations.sqlite"));
        storage = std::make_unique<Storage>(location);
        registry.add(std::make_shared<ImpPocketObject>(*storage));
        resetData();
    }

    // Nearly every write input rewrites the database: tmpfs spares the disk and keeps it quick.
    static QString memoryBackedTempPath() {
        const QDir shm(QStringLiteral("/dev/shm"));
        return shm.exists() && QFileInfo(shm.path()).isWritable() ? shm.path() : QDir::tempPath();
    }

    void resetData() {
        Storage::Transaction transaction(*storage);
        QList<TranslationRow> rows;
        storage->forEachTranslation([&rows](const TranslationRow& row) { rows.append(row); });
        for (const TranslationRow& row : rows)
            storage->deleteTranslation(TranslationKey::ofRow(row));
        storage->insertTranslation(baselineRow(QStringLiteral("lblNome"), QStringLiteral("Nome")));
        storage->insertTranslation(baselineRow(QStringLiteral("lblCidade"), QStringLiteral("Cidade")));
        storage->setVersionStamp(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6)));
        transaction.commit();
    }

    QJsonArray snapshot() const {
        QJsonArray rows;
        storage->forEachTranslation([&rows](const TranslationRow& row) { rows.append(toJsonRow(row)); });
        rows.append(dateTimeToJson(storage->versionStamp()));
        return rows;
    }
};

Server& server() {
    static Server instance;
    return instance;
}

void checkResult(const QString& method, const QJsonValue& result, bool dataUnchanged) {
    const QJsonObject object = result.toObject();
    if (!result.isObject() || !object.value(QStringLiteral("ok")).isBool())
        broken(method + QStringLiteral(" returned no result object"));
    if (object.value(QStringLiteral("ok")).toBool()) {
        if (!object.value(QStringLiteral("data")).toObject().value(QStringLiteral("fields")).isArray())
            broken(method + QStringLiteral(" succeeded without a data packet"));
        return;
    }
    if (method.startsWith(QLatin1String("Get")))
        broken(method + QStringLiteral(" failed"));
    if (!object.value(QStringLiteral("message")).isString())
        broken(method + QStringLiteral(" failed without a message"));
    if (!dataUnchanged)
        broken(method + QStringLiteral(" failed but changed the data"));
}

// One connection's state, as RpcConnection keeps it.
class Session {
public:
    explicit Session(Server& s) : server_(s) {}

    bool wrote() const { return wrote_; }

    void handleLine(const QByteArray& line) {
        if (line.trimmed().isEmpty())
            return;
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
        if (parseError.error != QJsonParseError::NoError || !document.isObject())
            return; // answered with an error before anything is dispatched
        const QJsonObject request = document.object();
        const QJsonValue id = request.value(QStringLiteral("id"));
        const QJsonValue method = request.value(QStringLiteral("method"));
        const QJsonValue params = request.value(QStringLiteral("params"));
        if (request.value(QStringLiteral("jsonrpc")) != QJsonValue(QStringLiteral("2.0")) ||
            !(id.isDouble() || id.isString()) || !method.isString() ||
            !(params.isUndefined() || params.isArray() || params.isObject()))
            return;
        try {
            const QJsonValue result = dispatch(method.toString(), params);
            // The answer goes out as compact JSON; its text must be producible from any result.
            QJsonDocument(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("result"), result}})
                .toJson(QJsonDocument::Compact);
        } catch (const RpcError&) {
        } catch (const StorageError& error) {
            broken(method.toString() + QStringLiteral(": the database refused: ") + error.message());
        }
    }

private:
    QJsonValue dispatch(const QString& method, const QJsonValue& params) {
        if (method == QLatin1String("rpc.open")) {
            const QJsonValue name = params.toObject().value(QStringLiteral("serverName"));
            if (object_ || !params.isObject() || !name.isString())
                throw RpcError(RpcCode::InvalidParams, {});
            object_ = server_.registry.find(name.toString());
            return {};
        }
        if (!object_ || params.isObject())
            throw RpcError(RpcCode::NotOpen, {});
        const bool writes = method.startsWith(QLatin1String("Set"));
        const QJsonArray before = writes ? server_.snapshot() : QJsonArray();
        QJsonValue result;
        try {
            result = object_->call(method, params.toArray());
        } catch (const RpcError&) {
            if (writes && server_.snapshot() != before)
                broken(method + QStringLiteral(" refused its arguments but changed the data"));
            throw;
        }
        const bool succeeded = result.toObject().value(QStringLiteral("ok")).toBool();
        checkResult(method, result, !writes || succeeded || server_.snapshot() == before);
        // Anything else was just shown to leave the data as it was.
        wrote_ = wrote_ || (writes && succeeded);
        return result;
    }

    Server& server_;
    ServerObject* object_ = nullptr;
    bool wrote_ = false;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Qt SQL finds its drivers through the application object.
    static QCoreApplication application(*argc, *argv);
    server();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Server& s = server();
    Session session(s);
    const QList<QByteArray> lines = input.split('\n');
    for (int i = 0; i < lines.size() && i < kMaxLinesPerInput; ++i)
        session.handleLine(lines.at(i));
    if (session.wrote())
        s.resetData();
    return 0;
}
