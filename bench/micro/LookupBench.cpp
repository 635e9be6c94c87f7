// The server's look-up against translation tables of 10^4, 10^5 and 10^6 rows: the storage call
// alone, and a whole GetPropried request line through the connection's dispatcher (parse the line,
// call the server object, write the answer) without the socket. Plus the insert of a new row as
// SetPropried does it, commit included.
//
// Beside them, their floors on the same table: the plain indexed look-up of the same row (one
// prepared SELECT by the unique key's column, its values read) and the plain prepared insert of a
// row in its own transaction, through the same SQLite driver on a connection of their own.
//
// Each table is filled once per process, in one transaction through Storage's own insert, in a
// temporary directory (VDR_BENCH_DB_DIR picks another place); the fill time goes to stderr.

#include "appserver/object/ImpPocketObject.h"
#include "appserver/object/RecordJson.h"
#include "appserver/rpc/RpcDispatcher.h"
#include "appserver/rpc/ServerRegistry.h"
#include "appserver/storage/Storage.h"
#include "wire/DateTimeText.h"
#include "wire/RecordLayouts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>

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
    row.updated = DateTimeText::format(QDateTime::currentDateTime());
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
    QStringList hitMatchKeys; // the unique key column's value of each hit
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
                hitMatchKeys.append(TranslationKey::ofRow(row).matchKey());
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

// One new row per request line through the dispatcher, in its own transaction, as SetPropried
// stores each captured caption. The lines are made beforehand, a batch at a time, untimed.
void BM_SetPropriedRequest_NewRow(benchmark::State& state) {
    Table& t = table(state.range(0));
    QJsonArray fields;
    for (const FieldDef& field : Layouts::translationRow())
        fields.append(QJsonObject{{QStringLiteral("name"), field.name},
                                  {QStringLiteral("type"), Wire::kindName(field.kind)}});
    std::mt19937 random(99);
    QList<QByteArray> lines;
    qsizetype next = 0;
    for (auto _ : state) {
        if (next == lines.size()) {
            state.PauseTiming();
            lines.clear();
            next = 0;
            for (int i = 0; i < 1000; ++i) {
                const QJsonObject insert{
                    {QStringLiteral("op"), QStringLiteral("insert")},
                    {QStringLiteral("values"), toJsonRow(rowNumber(t.nextNewRow++, random))}};
                const QJsonObject delta{{QStringLiteral("fields"), fields},
                                        {QStringLiteral("changes"), QJsonArray{insert}}};
                lines.append(requestLine(i, QStringLiteral("SetPropried"), QJsonArray{delta}));
            }
            state.ResumeTiming();
        }
        const std::optional<QByteArray> answer = t.dispatcher->handle(lines[next++]);
        if (!answer || !answer->contains(R"("ok":true)"))
            state.SkipWithError("SetPropried refused the row");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SetPropriedRequest_NewRow)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

// The floors: SQLite through the same driver, with nothing of the server around it.
const QString kColumns = QStringLiteral("CDPROGRAMA, NMFORMULARIO, NMCOMPONENTE, NMPROPRIEDADE, NRVALORPROP, "
                                        "IDSITTRADUCAO, STVALORPROP, STAGRVALPROP, DTULTATUTRAD, IDIDIOMA");

struct PlainConnection {
    QSqlDatabase db;
    explicit PlainConnection(const Table& t) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("plain-%1").arg(t.rows));
        db.setDatabaseName(t.directory.filePath(QStringLiteral("translations.sqlite")));
        if (!db.open())
            throw std::runtime_error("cannot open the table a second time");
        QSqlQuery(QStringLiteral("PRAGMA synchronous = NORMAL"), db).exec();
    }
};

void BM_PlainIndexedLookup_Hit(benchmark::State& state) {
    Table& t = table(state.range(0));
    PlainConnection plain(t);
    {
        QSqlQuery query(plain.db);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT ID, %1 FROM translations WHERE MATCHKEY = ?").arg(kColumns));
        qsizetype i = 0;
        for (auto _ : state) {
            query.bindValue(0, t.hitMatchKeys[i++ % t.hitMatchKeys.size()]);
            if (!query.exec() || !query.next())
                state.SkipWithError("the row was not found");
            for (int column = 0; column <= 10; ++column)
                benchmark::DoNotOptimize(query.value(column));
            query.finish();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainIndexedLookup_Hit)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

void BM_PlainInsert_OwnTransaction(benchmark::State& state) {
    Table& t = table(state.range(0));
    PlainConnection plain(t);
    {
        QSqlQuery query(plain.db);
        query.prepare(
            QStringLiteral("INSERT INTO translations (MATCHKEY, %1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                .arg(kColumns));
        std::mt19937 random(98);
        const QString updated = DateTimeText::format(QDateTime::currentDateTime());
        for (auto _ : state) {
            const TranslationRow row = rowNumber(t.nextNewRow++, random);
            const QVariantList values{TranslationKey::ofRow(row).matchKey(),
                                      row.program,
                                      row.form,
                                      row.component,
                                      row.property,
                                      row.number,
                                      *row.state,
                                      row.value,
                                      *row.value2,
                                      updated,
                                      row.language};
            plain.db.transaction();
            for (int i = 0; i < values.size(); ++i)
                query.bindValue(i, values[i]);
            if (!query.exec())
                state.SkipWithError("the insert failed");
            plain.db.commit();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainInsert_OwnTransaction)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

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
