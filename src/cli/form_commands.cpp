// form-to-text and form-to-resource: one form file through one conversion. The output is written
// as it is made into the temporary file of a replacement of OUTPUT, which takes OUTPUT's place only
// when the conversion succeeded, so a large form never has to fit in memory as text. Every message
// names its file.
#include "cli/commands.h"
#include "cli/usage.h"

#include "core/base/exceptions.h"
#include "core/base/file_replace.h"
#include "core/base/stream.h"
#include "core/formfile/form_conversion.h"

#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>

namespace swapwright::cli {

namespace {

// The new content of OUTPUT as a stream; its write failures name OUTPUT.
class OutputFile final : public Stream {
public:
    explicit OutputFile(const std::string& name) : m_name(name), m_replacement(name, options()) {
        m_file.emplace(::dup(m_replacement.descriptor()), name);
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::size_t read(void*, std::size_t) override { return 0; }
    void write(const void* buffer, std::size_t n) override {
        try {
            m_file->write(buffer, n);
        } catch (const Exception& e) {
            m_failed = true;
            throw EWriteError(m_name + ": " + e.what());
        }
    }
    using Stream::write;
    bool failed() const noexcept { return m_failed; }
    std::int64_t position() const override { return m_file->position(); }
    void setPosition(std::int64_t position) override { m_file->setPosition(position); }
    std::int64_t size() const override { return m_file->size(); }

    // OUTPUT gets the new content (its failures are worded "Cannot create file" with OUTPUT).
    void commit() {
        m_file.reset();
        m_replacement.commit();
    }

private:
    static files::ReplaceOptions options() {
        files::ReplaceOptions o;
        o.Messages = files::ReplaceMessages::Target;
        return o;
    }

    std::string m_name;
    files::FileReplacement m_replacement;
    std::optional<FileStream> m_file;
    bool m_failed = false;
};

int convertFile(std::string_view command, int argc, char** argv, void (*convert)(Stream&, Stream&)) {
    for (int i = 1; i < argc; ++i)
        if (isHelpOption(argv[i]))
            return printHelp(command);
    if (argc != 3)
        return usageError(command, "expected INPUT OUTPUT");
    const std::string inputName = argv[1];
    const std::string outputName = argv[2];
    const auto fail = [&](const std::string& message) {
        printError(command, message);
        return 1;
    };
    try {
        FileStream input(inputName, FileStream::Mode::OpenRead);
        OutputFile output(outputName);
        try {
            convert(input, output);
        } catch (const std::exception& e) {
            // The output's own failures name it already; the rest belong to the input.
            return fail(output.failed() ? std::string(e.what()) : inputName + ": " + e.what());
        }
        output.commit();
    } catch (const std::exception& e) {
        return fail(e.what()); // opening INPUT, creating or writing OUTPUT: the message names it
    }
    return 0;
}

void detectAndConvertToText(Stream& input, Stream& output) {
    TStoredFormat format = fmtUnknown;
    ObjectResourceToText(input, output, format);
}

} // namespace

int formToText(int argc, char** argv) { return convertFile("form-to-text", argc, argv, detectAndConvertToText); }

int formToResource(int argc, char** argv) {
    return convertFile("form-to-resource", argc, argv, ObjectTextToResource);
}

} // namespace swapwright::cli
