// The JSON work of one known-caption look-up, and of sending one new row, with Qt's JSON classes,
// which both ends of the link use: the client writes the request and reads the answer, the server
// reads the request and writes the answer. No socket and no database; the capture benchmark sets the sum
// beside the raw round trip, to show how much of a look-up the message format itself costs.
//
// The messages are those of a real exchange: a GetPropried request of seven strings and its
// answer, a packet of the translation layout of wire/ with one row.

#include "wire/RecordLayouts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

namespace {

const QByteArray kRequestLine =
    R"({"jsonrpc":"2.0","id":7,"method":"GetPropried","params":["F0001","FRMF0001","LBL004","CAPTION","0",)"
    R"("Vendedor Nota T\u00e9cnico","POR"]})"
    "\n";

// The translation-row layout as a packet's "fields" describes it.
QByteArray fieldsJson() {
    QJsonArray fields;
    for (const FieldDef& field : Layouts::translationRow()) {
        QJsonObject def{{QStringLiteral("name"), field.name},
                        {QStringLiteral("type"), Wire::kindName(field.kind)}};
        if (field.kind == FieldKind::String)
            def.insert(QStringLiteral("size"), field.size);
        fields.append(def);
    }
    return QJsonDocument(fields).toJson(QJsonDocument::Compact);
}

// The other three lines carry that layout, so they are put together on first use, once the wire
// library's own constants exist.
struct Lines {
    QByteArray answer;
    // A new caption sends its row as a delta and gets back an empty packet of the same layout.
    QByteArray delta;
    QByteArray applied;
};

const Lines& lines() {
    static const Lines built = [] {
        const QByteArray fields = fieldsJson();
        Lines made;
        made.answer = R"({"id":7,"jsonrpc":"2.0","result":{"data":{"fields":)" + fields +
                      R"(,"rows":[["F0001","FRMF0001","LBL004","CAPTION",0,"N",)"
                      "\"Vendedor Nota T\xC3\xA9"
                      "cnico\",\"Vendedor Nota T\xC3\xA9"
                      "cnico\","
                      R"("2026-12-07T11:33:59.452","POR"]]},"ok":true}})"
                      "\n";
        made.delta =
            R"({"id":4,"jsonrpc":"2.0","method":"SetPropried","params":[{"changes":[{"op":"insert","values":["F0001",)"
            R"("FRMF0001","CMD001","CAPTION",0,"N","Entrada","Entrada","2026-12-07T11:45:52.029","ENG"]}],"fields":)" +
            fields + "}]}\n";
        made.applied = R"({"id":4,"jsonrpc":"2.0","result":{"data":{"fields":)" + fields +
                       R"(,"rows":[]},"ok":true}})" + "\n";
        return made;
    }();
    return built;
}

QJsonObject parse(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError)
        throw std::runtime_error(error.errorString().toStdString());
    return document.object();
}

QByteArray write(const QJsonObject& message) {
    return QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject requestObject() {
    return QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                       {QStringLiteral("id"), 7},
                       {QStringLiteral("method"), QStringLiteral("GetPropried")},
                       {QStringLiteral("params"), parse(kRequestLine).value(QStringLiteral("params"))}};
}

void BM_ClientWritesRequest(benchmark::State& state) {
    const QJsonArray params = parse(kRequestLine).value(QStringLiteral("params")).toArray();
    for (auto _ : state) {
        QJsonArray args;
        for (const QJsonValue& value : params)
            args.append(value.toString());
        benchmark::DoNotOptimize(write(QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                                                   {QStringLiteral("id"), 7},
                                                   {QStringLiteral("method"), QStringLiteral("GetPropried")},
                                                   {QStringLiteral("params"), args}}));
    }
}
BENCHMARK(BM_ClientWritesRequest);

void BM_ServerReadsRequest(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(parse(kRequestLine));
}
BENCHMARK(BM_ServerReadsRequest);

void BM_ServerWritesAnswer(benchmark::State& state) {
    const QJsonObject answer = parse(lines().answer);
    const QJsonValue fields = answer.value(QStringLiteral("result"))
                                  .toObject()
                                  .value(QStringLiteral("data"))
                                  .toObject()
                                  .value(QStringLiteral("fields"));
    const QJsonArray row = answer.value(QStringLiteral("result"))
                               .toObject()
                               .value(QStringLiteral("data"))
                               .toObject()
                               .value(QStringLiteral("rows"))
                               .toArray()
                               .at(0)
                               .toArray();
    for (auto _ : state) {
        QJsonArray cells;
        for (const QJsonValue& cell : row)
            cells.append(cell);
        const QJsonObject packet{{QStringLiteral("fields"), fields},
                                 {QStringLiteral("rows"), QJsonArray{cells}}};
        benchmark::DoNotOptimize(
            write(QJsonObject{{QStringLiteral("id"), 7},
                              {QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                              {QStringLiteral("result"), QJsonObject{{QStringLiteral("data"), packet},
                                                                     {QStringLiteral("ok"), true}}}}));
    }
}
BENCHMARK(BM_ServerWritesAnswer);

void BM_ClientReadsAnswer(benchmark::State& state) {
    const QByteArray& answer = lines().answer;
    for (auto _ : state)
        benchmark::DoNotOptimize(parse(answer));
}
BENCHMARK(BM_ClientReadsAnswer);

// All four in turn: the JSON cost of one look-up.
void BM_WholeExchange(benchmark::State& state) {
    const QJsonObject request = requestObject();
    const QJsonObject answer = parse(lines().answer);
    for (auto _ : state) {
        benchmark::DoNotOptimize(parse(write(request)));
        benchmark::DoNotOptimize(parse(write(answer)));
    }
    state.SetLabel(
        QStringLiteral("%1 + %2 bytes").arg(kRequestLine.size()).arg(lines().answer.size()).toStdString());
}
BENCHMARK(BM_WholeExchange);

// The same for the second exchange of a new caption: the delta out, the empty packet back.
void BM_NewRowExchange(benchmark::State& state) {
    const QJsonObject delta = parse(lines().delta);
    const QJsonObject applied = parse(lines().applied);
    for (auto _ : state) {
        benchmark::DoNotOptimize(parse(write(delta)));
        benchmark::DoNotOptimize(parse(write(applied)));
    }
    state.SetLabel(
        QStringLiteral("%1 + %2 bytes").arg(lines().delta.size()).arg(lines().applied.size()).toStdString());
}
BENCHMARK(BM_NewRowExchange);

} // namespace

BENCHMARK_MAIN();
