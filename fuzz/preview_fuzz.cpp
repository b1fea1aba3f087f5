// A preview of one file against the pass's own output: the kept changes, put in place in the
// content, give the output (all of it when every change is kept, its beginning otherwise), and the
// preview says the bytes changed exactly when they did. The input is decoded as: prefix kind,
// context lines and limit, definitions (flags, find, replacement), then the content.
#include "core/base/exceptions.h"
#include "core/engine/preview.h"

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

[[noreturn]] void wrong(const char* what) {
    std::fprintf(stderr, "preview and pass differ: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    const auto prefix = static_cast<TStrLenPrefix>(in.byte() & 3);
    const std::uint8_t shape = in.byte();
    TPreviewOptions options;
    options.ContextLines = shape & 3;
    options.ChangesPerFile = (shape >> 2) == 0 ? kPreviewNoLimit : (shape >> 2);
    const int count = 1 + in.byte() % 8;
    std::vector<TFindReplace> defs;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t flags = in.byte();
        TFindReplace d;
        d.CaseSensitive = flags & 1;
        d.WholeWord = flags & 2;
        d.Find = in.bytes(1 + (flags >> 2) % 6);
        d.Replacement = in.bytes(in.byte() % 8);
        d.Row = i + 1;
        if (!d.Find.empty())
            defs.push_back(d);
    }
    const std::string rest = in.bytes(size);
    std::unique_ptr<char[]> exact(rest.empty() ? nullptr : new char[rest.size()]);
    if (!rest.empty())
        std::memcpy(exact.get(), rest.data(), rest.size());
    const std::string_view content(exact.get(), rest.size());

    TPreviewList list;
    TPreviewCollector collector(list, options);
    PassReceivers receivers;
    receivers.replacements = collector.fileStarted({"f", prefix}, content, false, defs.size());
    StringSink sink;
    try {
        ReplaceInStream(content, sink, prefix, defs, receivers);
    } catch (const Exception&) {
        return 0; // a length that the content does not hold: the file fails as a whole
    }
    collector.fileEnded(false);
    const std::string& output = sink.bytes();
    const TFilePreview& p = list.files().at(0);

    std::string made;
    std::size_t at = 0;
    for (const auto& c : p.Changes) {
        if (c.OldOffset < at || content.substr(c.OldOffset, c.Old.size()) != c.Old)
            wrong("a change does not stand in the content");
        made.append(content.substr(at, c.OldOffset - at));
        if (c.NewOffset != made.size())
            wrong("new offset");
        made += c.New;
        at = c.OldOffset + c.Old.size();
    }
    if (p.changesComplete()) {
        made.append(content.substr(at));
        if (made != output)
            wrong("applied changes");
    } else if (output.compare(0, made.size(), made) != 0) {
        wrong("the kept changes");
    }
    if (p.ContentChanged != (output != content))
        wrong("content changed");
    return 0;
}
