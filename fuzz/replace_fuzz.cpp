// The substitution against the plain reference scan: any difference in output, counts or
// failure is a crash. The input is decoded as: prefix kind, step sizes, definitions (flags,
// find, replacement), then the content.
#include "core/base/exceptions.h"
#include "core/engine/substitution.h"
#include "engine/reference_replace.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace swapwright;

namespace {

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    std::string bytes(std::size_t n) {
        n = std::min(n, size - at);
        std::string s(reinterpret_cast<const char*>(data + at), n);
        at += n;
        return s;
    }
};

[[noreturn]] void differ(const char* what) {
    std::fprintf(stderr, "engine and reference differ: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    const auto prefix = static_cast<TStrLenPrefix>(in.byte() & 3);
    const std::uint8_t steps = in.byte();
    const int count = 1 + in.byte() % 12;
    std::vector<TFindReplace> defs;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t flags = in.byte();
        TFindReplace d;
        d.CaseSensitive = flags & 1;
        d.WholeWord = flags & 2;
        d.Find = in.bytes(1 + (flags >> 2) % 9);
        const std::uint8_t r = in.byte();
        d.Replacement = (r & 0x80) ? std::string(200 + (r & 0x7F), 'R') : in.bytes(r % 8);
        d.Row = i + 1;
        if (!d.Find.empty())
            defs.push_back(d);
    }
    // The content in a block of exactly its size, so reads behind it are caught.
    const std::string rest = in.bytes(size);
    std::unique_ptr<char[]> exact(rest.empty() ? nullptr : new char[rest.size()]);
    if (!rest.empty())
        std::memcpy(exact.get(), rest.data(), rest.size());
    const std::string_view content(exact.get(), rest.size());

    std::vector<TFindReplace> refDefs = defs;
    const test::ReferenceResult ref = test::ReferenceReplace(rest, prefix, refDefs);
    for (const auto scan : {CandidateScan::Portable, CandidateScan::Simd}) {
        std::vector<TFindReplace> engineDefs = defs;
        PassOptions options;
        options.scan = scan;
        options.bytesPerCheck = (steps & 0x0F) == 0 ? std::size_t{1} << 20 : (steps & 0x0F);
        options.testsPerCheck = (steps >> 4) == 0 ? std::size_t{1} << 14 : (steps >> 4);
        options.yieldInterval = std::chrono::nanoseconds(0);
        StringSink sink;
        bool failed = false;
        std::string message;
        try {
            ReplaceInStream(content, sink, prefix, engineDefs, {}, options);
        } catch (const Exception& e) {
            failed = true;
            message = e.message();
        }
        if (failed != ref.failed || message != ref.errorMessage)
            differ("failure");
        if (sink.bytes() != ref.output)
            differ("output");
        for (std::size_t i = 0; i < defs.size(); ++i)
            if (engineDefs[i].Count != refDefs[i].Count)
                differ("counts");
    }
    return 0;
}
