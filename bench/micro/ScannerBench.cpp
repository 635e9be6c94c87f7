// The caption scanner's line logic per line, without a server or a window, and the text
// conversions every remote call argument goes through.

#include "bench/micro/FormTextLines.h"
#include "capture/CaptionScanner.h"

#include <benchmark/benchmark.h>

namespace {

const AnsiString kLanguage = "POR";

struct Form {
    AnsiString program;
    QList<AnsiString> lines;
};

const QList<Form>& forms() {
    static const QList<Form> generated = [] {
        std::mt19937 random(4000);
        QList<Form> list;
        for (int i = 1; i <= 50; ++i) {
            const AnsiString program = 'F' + AnsiString::number(i).rightJustified(4, '0');
            list.append({program, FormTextLines::form(program, 50, random)});
        }
        return list;
    }();
    return generated;
}

// A whole corpus, line by line, as the capture's scan sees it.
void BM_ReadLine_Forms(benchmark::State& state) {
    qint64 lines = 0;
    int lookups = 0;
    for (auto _ : state) {
        for (const Form& form : forms()) {
            CaptionScanner scan(form.program);
            for (const AnsiString& line : form.lines)
                lookups += scan.readLine(line, kLanguage) ? 1 : 0;
            lines += form.lines.size();
        }
    }
    benchmark::DoNotOptimize(lookups);
    state.SetItemsProcessed(lines);
}
BENCHMARK(BM_ReadLine_Forms)->Unit(benchmark::kMillisecond);

// One kind of line again and again inside a captured control: its own cost per line.
void readOneLine(benchmark::State& state, const AnsiString& line) {
    CaptionScanner scan("F0001");
    scan.readLine("Begin VB.Form frmF0001 ", kLanguage);
    scan.readLine("   Begin VBCE.Label lbl001 ", kLanguage);
    for (auto _ : state)
        benchmark::DoNotOptimize(scan.readLine(line, kLanguage));
    state.SetItemsProcessed(state.iterations());
}

void BM_ReadLine_PropertyLine(benchmark::State& state) {
    readOneLine(state, FormTextLines::property(2, "TabIndex", "12"));
}
BENCHMARK(BM_ReadLine_PropertyLine);

void BM_ReadLine_BeginLine(benchmark::State& state) {
    readOneLine(state, "   Begin VBCE.CommandButton cmd012 ");
}
BENCHMARK(BM_ReadLine_BeginLine);

void BM_ReadLine_ShortCaption(benchmark::State& state) {
    readOneLine(state, FormTextLines::property(2, "Caption", "\"Descri\xE7\xE3o do cliente\""));
}
BENCHMARK(BM_ReadLine_ShortCaption);

void BM_ReadLine_4000CharCaption(benchmark::State& state) {
    readOneLine(state, FormTextLines::property(2, "Caption", '"' + AnsiString(4000, '\xE7') + '"'));
}
BENCHMARK(BM_ReadLine_4000CharCaption);

// Each remote call converts its text arguments to Unicode and the by-reference ones back.
void BM_AnsiToUnicode_ShortText(benchmark::State& state) {
    const AnsiString text = "Descri\xE7\xE3o do cliente";
    for (auto _ : state)
        benchmark::DoNotOptimize(Ansi::toUnicode(text));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnsiToUnicode_ShortText);

void BM_AnsiFromUnicode_ShortText(benchmark::State& state) {
    const QString text = QStringLiteral("Descrição do cliente");
    for (auto _ : state)
        benchmark::DoNotOptimize(Ansi::fromUnicode(text));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnsiFromUnicode_ShortText);

// For scale: the same conversion for Latin-1, which Qt does without a codec object.
void BM_Latin1ToUnicode_ShortText(benchmark::State& state) {
    const AnsiString text = "Descri\xE7\xE3o do cliente";
    for (auto _ : state)
        benchmark::DoNotOptimize(QString::fromLatin1(text));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Latin1ToUnicode_ShortText);

} // namespace

BENCHMARK_MAIN();
