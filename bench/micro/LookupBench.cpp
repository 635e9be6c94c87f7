// The server's look-up against translation tables of 10^4, 10^5 and 10^6 rows: the storage call
// alone, and a whole GetPropried request line through the connection's dispatcher (parse the line,
// call the server object, write the answer) without the socket. Plus the insert of a new row as
// SetPropried does it, commit included.
//
// Each table is filled once per process, in one transaction through Storage's own insert, in a
// temporary directory (VDR_BENCH_DB_DIR picks another place); the fill time goes to stderr.

#include "appserver/ImpPocketObject.h"
#include "appserver/RpcDispatcher.h"
#include "appserver/ServerRegistry.h"
#include "appserver/Storage.h"
#include "wire/RecordLayouts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>

namespace {

constexpr int kProbeKeys = 4096;

TranslationRow rowNumber(qint64 n, std::mt19937& random) {
    TranslationRow row;
    row.program = QStringLiteral("P%1").arg(n / 1000, 5, 10, QLatin1Char('0'));
    row.form = QStringLiteral("frmF%1").arg(n / 1000, 5, 10, QLatin1Char('0'));
    row.component = QStringLiteral("lbl%1").arg(n % 1000, 3, 10, QLatin1Char('0'));
    row.property = QStringLiteral("CAPTION");
    // Values short but for about one in a hundred of 1,000 to 4,000 characters.
    if (random() % 100 == 0)
        row.value = QString(1000 + int(random() % 3001), QChar(0xE7));
    else
        row.value = QStringLiteral("Descrição %1").arg(random() % 100000);
    row.state = QStringLiteral("N");
    row.value2 = row.value;
    row.updated = QDateTime::currentDateTime();
    row.language = QStringLiteral("POR");
    return row;
}

QJsonArray lookupParams(const TranslationRow& row, const QString& value) {
    return {row.program, row.form, row.component, row.property, QStringLiteral("0"), value, row.language};
}

// A request line as the client sends it, line end excluded as the connection hands it on.
QByteArray requestLine(qint64 id, const QString& method, const QJsonValue& params) {
    const QJsonObject request{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                              {QStringLiteral("id"), id},
                              {QStringLiteral("method"), method},
                              {QStringLiteral("params"), params}};
    return QJsonDocument(request).toJson(QJsonDocument::Compact);
}

struct Table {
    QTemporaryDir directory;
    std::unique_ptr<Storage> storage;
    std::shared_ptr<ImpPocketObject> object;
    ServerRegistry registry;
    std::unique_ptr<RpcDispatcher> dispatcher; // with the object open
    QList<TranslationKey> hits, misses;
    QList<QByteArray> hitRequests;
    qint64 rows = 0;
    // Rows the insert benchmark adds get numbers no filled row has.
    qint64 nextNewRow = 100'000'000;

    explicit Table(qint64 rowCount)
        : directory(qEnvironmentVariable("VDR_BENCH_DB_DIR", QDir::tempPath()) +
                    QStringLiteral("/lookup-XXXXXX")),
          rows(rowCount) {
        DatabaseLocation location;
        location.sqlitePath = directory.filePath(QStringLiteral("translations.sqlite"));
        storage = std::make_unique<Storage>(location);
        object = std::make_shared<ImpPocketObject>(*storage);
        registry.add(object);
        dispatcher = std::make_unique<RpcDispatcher>(registry, AccessToken(), 1);
        dispatcher->handle(requestLine(0, QStringLiteral("rpc.open"),
                                       QJsonObject{{QStringLiteral("serverName"), object->name()}}));

        std::mt19937 random(17);
        std::mt19937 pick(29);
        std::map<qint64, bool> probed;
        for (int i = 0; i < kProbeKeys; ++i)
            probed[qint64(pick() % rowCount)] = true;

        QElapsedTimer clock;
        clock.start();
        Storage::Transaction transaction(*storage);
        for (qint64 n = 0; n < rowCount; ++n) {
            const TranslationRow row = rowNumber(n, random);
            storage->insertTranslation(row);
            if (probed.count(n)) {
                hits.append(TranslationKey::ofRow(row));
                misses.append(TranslationKey::forLookup(row.program, row.form, row.component, row.property, 0,
                                                        row.value + QStringLiteral("?"), row.language));
                hitRequests.append(
                    requestLine(n, QStringLiteral("GetPropried"), lookupParams(row, row.value)));
            }
        }
        transaction.commit();
        std::fprintf(stderr, "filled %lld rows in %.1f s\n", static_cast<long long>(rowCount),
                     static_cast<double>(clock.elapsed()) / 1000.0);
    }
};

// Closed in main while the application object, and with it the SQL driver, is still there.
std::map<qint64, std::unique_ptr<Table>>& tables() {
    static std::map<qint64, std::unique_ptr<Table>> filled;
    return filled;
}

Table& table(qint64 rows) {
    auto& slot = tables()[rows];
    if (!slot)
        slot = std::make_unique<Table>(rows);
    return *slot;
}

void BM_FindTranslations_Hit(benchmark::State& state) {
    Table& t = table(state.range(0));
    qsizetype i = 0;
    for (auto _ : state) {
        const QList<TranslationRow> found = t.storage->findTranslations(t.hits[i++ % t.hits.size()]);
        if (found.size() != 1)
            state.SkipWithError("a stored row was not found");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindTranslations_Hit)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

void BM_FindTranslations_Miss(benchmark::State& state) {
    Table& t = table(state.range(0));
    qsizetype i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(t.storage->findTranslations(t.misses[i++ % t.misses.size()]));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindTranslations_Miss)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

// What the server does for one known-caption request, less the socket.
void BM_GetPropriedRequest_Hit(benchmark::State& state) {
    Table& t = table(state.range(0));
    qsizetype i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(t.dispatcher->handle(t.hitRequests[i++ % t.hitRequests.size()]));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetPropriedRequest_Hit)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMicrosecond);

// One new row per call, in its own transaction, as SetPropried stores each captured caption.
void BM_SetPropried_NewRow(benchmark::State& state) {
    Table& t = table(state.range(0));
    QJsonArray fields;
    for (const FieldDef& field : Layouts::translationRow())
        fields.append(QJsonObject{{QStringLiteral("name"), field.name},
                                  {QStringLiteral("type"), Wire::kindName(field.kind)}});
    std::mt19937 random(99);
    for (auto _ : state) {
        const QJsonObject insert{{QStringLiteral("op"), QStringLiteral("insert")},
                                 {QStringLiteral("values"), toJsonRow(rowNumber(t.nextNewRow++, random))}};
        const QJsonObject delta{{QStringLiteral("fields"), fields},
                                {QStringLiteral("changes"), QJsonArray{insert}}};
        const QJsonValue result = t.object->call(QStringLiteral("SetPropried"), QJsonArray{delta});
        if (!result.toObject().value(QStringLiteral("ok")).toBool())
            state.SkipWithError("SetPropried refused the row");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetPropried_NewRow)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv); // Qt SQL finds its driver plugin through it
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tables().clear();
    return 0;
}
