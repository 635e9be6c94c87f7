// Form-stream conversion throughput: a binary form stream built in memory, converted to text,
// in bytes of input per second; the copy of a text form for comparison.

#include "tests/formstream/FormStreamBuilder.h"
#include "toolkit/ObjectResource.h"

#include <benchmark/benchmark.h>

namespace {

void labelLike(FormStreamBuilder& form, const QByteArray& className, const QByteArray& name, int serial) {
    form.object(className, name);
    form.property("Left").int16(static_cast<qint16>(8 + serial % 300));
    form.property("Top").int16(static_cast<qint16>(16 * (serial % 40)));
    form.property("Width").int16(120).property("Height").int8(21);
    if (serial % 40 == 0) // now and then a long caption
        form.property("Caption").lstring(QByteArray(2000 + serial % 2000, '\xE7'));
    else
        form.property("Caption").string("Descri\xE7\xE3o do campo " + QByteArray::number(serial));
    form.property("Font.Style").set({"fsBold"});
    form.property("Color").ident("clBtnFace");
    form.property("ParentFont").boolean(serial % 2 == 0);
    form.property("TabOrder").int32(serial);
    form.end(); // properties
}

// A form of panels, each holding labels, edits and a list of items: about what a large data-entry
// form of the product holds.
QByteArray binaryForm(int panels) {
    FormStreamBuilder form;
    form.signature().object("TfrmCadastro", "frmCadastro");
    form.property("Left").int16(200).property("Top").int16(120);
    form.property("Caption").string("Cadastro de clientes");
    form.property("ClientHeight").int16(480).property("ClientWidth").int16(640);
    form.property("Font.Name").string("MS Sans Serif");
    form.property("OldCreateOrder").boolean(false);
    form.end(); // the form's properties
    int serial = 0;
    for (int p = 0; p < panels; ++p) {
        form.object("TPanel", "Panel" + QByteArray::number(p));
        form.property("Align")
            .ident("alTop")
            .property("Height")
            .int16(60)
            .property("TabOrder")
            .int8(qint8(p % 100));
        form.end();
        for (int i = 0; i < 6; ++i) {
            ++serial;
            labelLike(form, "TLabel", "Label" + QByteArray::number(serial), serial);
            form.end(); // no children
            labelLike(form, "TEdit", "Edit" + QByteArray::number(serial), serial);
            form.end();
        }
        form.object("TComboBox", "Combo" + QByteArray::number(p));
        form.property("Items.Strings").list();
        for (int item = 0; item < 8; ++item)
            form.string("Op\xE7\xE3o " + QByteArray::number(item));
        form.end();       // the list
        form.end().end(); // properties, children
        form.end();       // the panel's children
    }
    form.end(); // the form's children
    return form.data();
}

void convert(benchmark::State& state, const QByteArray& input) {
    qsizetype outputBytes = 0;
    for (auto _ : state) {
        const QByteArray text = convertForm(input);
        outputBytes = text.size();
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * input.size());
    state.counters["input_KiB"] = double(input.size()) / 1024.0;
    state.counters["text_KiB"] = double(outputBytes) / 1024.0;
}

void BM_BinaryFormToText(benchmark::State& state) {
    convert(state, binaryForm(int(state.range(0))));
}
BENCHMARK(BM_BinaryFormToText)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

void BM_BinaryFormInResourceToText(benchmark::State& state) {
    convert(state, inResource(binaryForm(int(state.range(0))), "TFRMCADASTRO"));
}
BENCHMARK(BM_BinaryFormInResourceToText)->Arg(100)->Unit(benchmark::kMicrosecond);

// Text passes through unchanged: the floor of the conversion.
void BM_TextFormPassThrough(benchmark::State& state) {
    convert(state, convertForm(binaryForm(int(state.range(0)))));
}
BENCHMARK(BM_TextFormPassThrough)->Arg(100)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
