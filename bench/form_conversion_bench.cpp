// Form file conversion both ways: a form of at least 1 MB made from the real corpus files (their
// roots become children of one root), and a typical form of a few KB.
#include "core/base/file_replace.h"
#include "core/base/stream.h"
#include "core/formfile/form_conversion.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace swapwright;

namespace {

std::string corpusText(const char* name) {
    return files::readWholeFile(std::string(SWAPWRIGHT_SOURCE_DIR) + "/tests/fixtures/corpus/dfm-text/" + name);
}

std::string toResource(const std::string& text) {
    MemoryStream in(text), out;
    ObjectTextToResource(in, out);
    return out.takeBytes();
}

std::string toText(const std::string& resource) {
    MemoryStream in(resource), out;
    ObjectResourceToText(in, out);
    return out.takeBytes();
}

struct Inputs {
    std::string text;     // in the layout the conversion writes
    std::string resource;
};

Inputs makeInputs(std::size_t minimumBytes) {
    const char* names[] = {"jrsoftware__issrc__Wizard.dfm", "jrsoftware__issrc__CompForm.dfm",
                           "project-jedi__jvcl__JvgLabelEditor.dfm", "project-jedi__jvcl__JvgCheckVersionInfo.dfm",
                           "JAM-Software__Virtual-TreeView__MultilineDemo.dfm", "jrsoftware__issrc__IDE.Wizard.WizardForm.dfm"};
    std::string body;
    while (body.size() < minimumBytes)
        for (const char* name : names)
            body += corpusText(name);
    Inputs inputs;
    inputs.resource = toResource("object Bench: TBench\r\n" + body + "end\r\n");
    inputs.text = toText(inputs.resource);
    return inputs;
}

const Inputs& large() {
    static const Inputs inputs = makeInputs(1 << 20);
    return inputs;
}

const Inputs& typical() {
    static const Inputs inputs = [] {
        Inputs i;
        i.resource = toResource(corpusText("jrsoftware__issrc__Wizard.dfm"));
        i.text = toText(i.resource);
        return i;
    }();
    return inputs;
}

void resourceToText(benchmark::State& state, const Inputs& inputs) {
    for (auto _ : state) {
        MemoryStream in(inputs.resource), out;
        ObjectResourceToText(in, out);
        benchmark::DoNotOptimize(out.bytes().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * inputs.text.size()));
    state.counters["text_bytes"] = static_cast<double>(inputs.text.size());
}

void textToResource(benchmark::State& state, const Inputs& inputs) {
    for (auto _ : state) {
        MemoryStream in(inputs.text), out;
        ObjectTextToResource(in, out);
        benchmark::DoNotOptimize(out.bytes().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * inputs.text.size()));
    state.counters["text_bytes"] = static_cast<double>(inputs.text.size());
}

} // namespace

// Bytes per second count the text form's bytes in both directions.
BENCHMARK_CAPTURE(resourceToText, large, large())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(textToResource, large, large())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(resourceToText, typical, typical())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(textToResource, typical, typical())->Unit(benchmark::kMicrosecond);
