// Treats the input as the lines a client sends on one connection and hands each to one
// RpcDispatcher, as RpcConnection does: every JSON-RPC check, the token and the open are the
// server's own. The registry holds the real ImpPocketObject on a SQLite database, watched from
// outside: the server object, its delta reading, the matching rule and the storage are the real
// ones too. The dispatcher requires the token "t", which the seeds know.
//
// Faults: a crash, a leak, a hang, an answer that is not one line of a JSON-RPC response, an
// internal error (-32603: a StorageError, which means the database refused what the server let
// through, and the fuzzer's database is healthy, or any other exception), a result object of the
// wrong shape, a Get method that fails, and a Set method that fails or is refused but leaves the
// data changed.

#include "appserver/object/CallError.h"
#include "appserver/object/DataPacket.h"
#include "appserver/object/ImpPocketObject.h"
#include "appserver/object/RecordJson.h"
#include "appserver/rpc/RpcDispatcher.h"
#include "appserver/rpc/RpcError.h"
#include "appserver/rpc/ServerRegistry.h"
#include "appserver/storage/DatabaseLocation.h"
#include "appserver/storage/Storage.h"
#include "appserver/storage/TranslationKey.h"
#include "wire/JsonWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// Lines handled per input: enough for an open and a few calls, few enough to keep inputs quick.
constexpr int kMaxLinesPerInput = 16;
const QString kToken = QStringLiteral("t");

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
struct Database {
    QTemporaryDir directory;
    std::unique_ptr<Storage> storage;

    Database() : directory(memoryBackedTempPath() + QStringLiteral("/rpc-fuzz-XXXXXX")) {
        if (!directory.isValid())
            broken(QStringLiteral("cannot create a temporary directory"));
        DatabaseLocation location;
        location.sqlitePath = directory.filePath(QStringLiteral("translations.sqlite"));
        storage = std::make_unique<Storage>(location);
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

// The real server object under its own name, with what each call returns and leaves behind
// checked.
class WatchedObject : public ServerObject {
public:
    explicit WatchedObject(Database& database) : database_(database), object_(*database.storage) {}

    // True once a Set method has changed the data since the last clear().
    bool wrote() const { return wrote_; }
    void clear() { wrote_ = false; }

    QString name() const override { return object_.name(); }
    int pendingWrites() const override { return object_.pendingWrites(); }
    WritesOutcome finishWrites() override { return object_.finishWrites(); }
    std::optional<quint64> takeCallTicket() override { return object_.takeCallTicket(); }

    void call(const QString& method, const QJsonArray& params, JsonWriter& out) override {
        const bool writes = method.startsWith(QLatin1String("Set"));
        const QJsonArray before = writes ? database_.snapshot() : QJsonArray();
        JsonWriter written;
        try {
            object_.call(method, params, written);
        } catch (const CallError&) {
            if (writes && database_.snapshot() != before)
                broken(method + QStringLiteral(" refused its arguments but changed the data"));
            throw;
        }
        QJsonParseError parseError;
        const QJsonValue result = QJsonDocument::fromJson(written.text(), &parseError).object();
        if (parseError.error != QJsonParseError::NoError)
            broken(method + QStringLiteral(" wrote a result that is not JSON"));
        const bool succeeded = result.toObject().value(QStringLiteral("ok")).toBool();
        checkResult(method, result, !writes || succeeded || database_.snapshot() == before);
        // Anything else was just shown to leave the data as it was.
        wrote_ = wrote_ || (writes && succeeded);
        out.raw(written.text());
    }

private:
    Database& database_;
    ImpPocketObject object_;
    bool wrote_ = false;
};

struct Server {
    Database database;
    std::shared_ptr<WatchedObject> object = std::make_shared<WatchedObject>(database);
    ServerRegistry registry;

    Server() { registry.add(object); }
};

Server& server() {
    static Server instance;
    return instance;
}

void checkAnswer(const QByteArray& answer) {
    if (!answer.endsWith('\n') || answer.count('\n') != 1)
        broken(QStringLiteral("an answer is not one line: ") + QString::fromUtf8(answer));
    QJsonParseError parseError;
    const QJsonObject response = QJsonDocument::fromJson(answer, &parseError).object();
    if (parseError.error != QJsonParseError::NoError || response.isEmpty())
        broken(QStringLiteral("an answer is not a JSON object: ") + QString::fromUtf8(answer));
    if (response.value(QStringLiteral("jsonrpc")) != QJsonValue(QStringLiteral("2.0")) ||
        response.contains(QStringLiteral("result")) == response.contains(QStringLiteral("error")))
        broken(QStringLiteral("an answer is not a JSON-RPC response: ") + QString::fromUtf8(answer));
    const QJsonObject error = response.value(QStringLiteral("error")).toObject();
    if (error.value(QStringLiteral("code")).toInt() == RpcCode::InternalError)
        broken(QStringLiteral("internal error: ") + error.value(QStringLiteral("message")).toString());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Qt SQL finds its drivers through the application object.
    static QCoreApplication application(*argc, *argv);
    // The dispatcher logs every open, refusal and notification; the faults go to stderr regardless.
    QLoggingCategory::setFilterRules(QStringLiteral("default.info=false\ndefault.warning=false"));
    server();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Server& s = server();
    RpcDispatcher dispatcher(s.registry, AccessToken(kToken), 1);
    const QList<QByteArray> lines = input.split('\n');
    // After too many refused tokens the connection closes: the lines behind are never read.
    for (int i = 0; i < lines.size() && i < kMaxLinesPerInput && !dispatcher.refusedTooOften(); ++i) {
        if (const std::optional<QByteArray> answer = dispatcher.handle(lines.at(i)))
            checkAnswer(*answer);
    }
    // The server makes the writes of a round durable once the round ends; so does each input.
    if (const std::optional<QString> failure = s.registry.finishWrites().lost)
        broken(QStringLiteral("the writes of an input could not be made durable: %1").arg(*failure));
    if (s.object->wrote()) {
        s.database.resetData();
        s.object->clear();
    }
    return 0;
}
