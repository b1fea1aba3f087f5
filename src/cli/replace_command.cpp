// swapwright-cli replace [--prefix none|8|16|32] DEFS.tsv INPUT [OUTPUT]
//
// One file through the substitution. The totals go to standard error in the report's wording.
// OUTPUT is written under a temporary name beside it and renamed at the end, so after a
// failure it does not exist (or keeps its old content); without OUTPUT the result goes to
// standard output. Exit status: 0 done, 1 the substitution failed, 2 bad usage or DEFS.tsv.
#include "cli/commands.h"
#include "cli/defs_file.h"
#include "cli/usage.h"
#include "core/base/exceptions.h"
#include "core/base/file_replace.h"
#include "core/base/files.h"
#include "core/engine/operation_report.h"
#include "core/engine/source_buffer.h"
#include "core/engine/substitution.h"

#include <cerrno>
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace swapwright::cli {

namespace {

constexpr std::string_view kCommand = "replace";

int usageError(const std::string& message) { return cli::usageError(kCommand, message); }

std::optional<TStrLenPrefix> prefixFromArgument(std::string_view v) {
    if (v == "none")
        return slpNone;
    if (v == "8")
        return slp8Bit;
    if (v == "16")
        return slp16Bit;
    if (v == "32")
        return slp32Bit;
    return std::nullopt;
}

void writeAll(std::FILE* out, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputc('\n', out);
}

// The input is mapped, not read: if another process shortens it meanwhile, touching the lost
// part raises SIGBUS. The handler removes the temporary output and ends with a message.
char gTemporaryOutput[PATH_MAX + 64] = {};

extern "C" void onInputVanished(int) {
    if (gTemporaryOutput[0] != '\0')
        ::unlink(gTemporaryOutput);
    static constexpr char kMessage[] =
        "swapwright-cli replace: Stream read error: the input file was shortened while it was read\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    ::_exit(1);
}

// Sets the name the handler removes ("" for none); the first byte is written last, so the
// handler never sees half a name.
void publishTemporaryOutput(const std::string& name) {
    gTemporaryOutput[0] = '\0';
    if (name.empty() || name.size() >= sizeof gTemporaryOutput)
        return;
    std::memcpy(gTemporaryOutput + 1, name.data() + 1, name.size() - 1);
    gTemporaryOutput[name.size()] = '\0';
    gTemporaryOutput[0] = name[0];
}

class StderrReport final : public IReportSink {
public:
    void clear() override {}
    void show() override {}
    void addLine(std::string_view text, const TReportLook&) override { writeAll(stderr, text); }
};

// The file that becomes OUTPUT: a replacement of it, or the output itself when it exists and is
// not a regular file (a device, a pipe).
class OutputFile {
public:
    explicit OutputFile(const std::string& name) {
        struct stat st {};
        const bool exists = ::stat(name.c_str(), &st) == 0;
        if (exists && !S_ISREG(st.st_mode)) {
            m_direct = files::FileDescriptor(::open(name.c_str(), O_WRONLY | O_CLOEXEC));
            if (!m_direct)
                throw EFCreateError(files::createErrorMessage(name, errno));
            return;
        }
        files::ReplaceOptions options;
        options.Messages = files::ReplaceMessages::Target;
        options.Flush = exists; // only an old content can be lost: flushed when there is one
        m_replacement.emplace(name, options);
        publishTemporaryOutput(m_replacement->temporaryName());
    }
    ~OutputFile() { publishTemporaryOutput(""); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int descriptor() const { return m_replacement ? m_replacement->descriptor() : m_direct.get(); }

    // Makes the written content the output.
    void commit(const std::string& name) {
        if (!m_replacement) {
            if (const int err = m_direct.close(); err != 0)
                throw EWriteError(std::string(kStreamWriteError) + ": " + name + ": " + std::strerror(err));
            return;
        }
        m_replacement->commit();
        publishTemporaryOutput("");
    }

private:
    files::FileDescriptor m_direct;
    std::optional<files::FileReplacement> m_replacement;
};

} // namespace

int runReplace(int argc, char** argv) {
    TStrLenPrefix prefix = slpNone;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            positional.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (isHelpOption(arg)) {
            return printHelp(kCommand);
        } else if (arg == "--prefix" || arg.starts_with("--prefix=")) {
            std::string_view value;
            if (arg == "--prefix") {
                if (i + 1 >= argc)
                    return usageError("--prefix needs a value");
                value = argv[++i];
            } else {
                value = arg.substr(9);
            }
            const auto kind = prefixFromArgument(value);
            if (!kind)
                return usageError("unknown prefix kind '" + std::string(value) + "' (none, 8, 16 or 32)");
            prefix = *kind;
        } else {
            return usageError("unknown option '" + std::string(arg) + "'");
        }
    }
    if (positional.size() < 2 || positional.size() > 3)
        return usageError("expected DEFS.tsv INPUT [OUTPUT]");
    const std::string& defsName = positional[0];
    const std::string& inputName = positional[1];

    DefsFile defs;
    try {
        defs = parseDefinitions(files::readWholeFile(defsName));
    } catch (const Exception& e) {
        printError(kCommand, e.what());
        return 2;
    }
    if (defs.error) {
        printError(kCommand, defsName + ", line " + std::to_string(defs.error->line) + ": " + defs.error->message);
        return 2;
    }

    // A file size limit is an error to report, not a signal that ends the process.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGBUS, onInputVanished);
    try {
        const SourceBuffer source = SourceBuffer::mapFile(inputName);
        if (positional.size() == 3) {
            const std::string& outputName = positional[2];
            OutputFile output(outputName);
            FileDescriptorSink sink(output.descriptor(), outputName);
            ReplaceInStream(source.view(), sink, prefix, defs.definitions);
            output.commit(outputName);
        } else {
            FileDescriptorSink sink(STDOUT_FILENO, "standard output");
            ReplaceInStream(source.view(), sink, prefix, defs.definitions);
        }
    } catch (const Exception& e) {
        printError(kCommand, e.message());
        return 1;
    }
    StderrReport report;
    AddReplacementLines(report, defs.definitions, kLookPlain, "");
    return 0;
}

} // namespace swapwright::cli
