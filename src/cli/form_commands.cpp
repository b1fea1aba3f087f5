// form-to-text and form-to-resource: one form file through one conversion. The output replaces
// OUTPUT in one step, only when the conversion succeeded.
#include "cli/commands.h"

#include "core/base/exceptions.h"
#include "core/base/file_replace.h"
#include "core/base/stream.h"
#include "core/formfile/form_conversion.h"

#include <cstdio>
#include <string>

namespace swapwright::cli {

namespace {

int convertFile(int argc, char** argv, void (*convert)(Stream&, Stream&)) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: swapwright-cli %s INPUT OUTPUT\n", argv[0]);
        return 2;
    }
    try {
        MemoryStream output;
        {
            FileStream input(argv[1], FileStream::Mode::OpenRead);
            convert(input, output);
        }
        files::ReplaceOptions options;
        options.Messages = files::ReplaceMessages::Target;
        files::writeFileAtomically(argv[2], output.bytes(), options);
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

void detectAndConvertToText(Stream& input, Stream& output) {
    TStoredFormat format = fmtUnknown;
    ObjectResourceToText(input, output, format);
}

} // namespace

int formToText(int argc, char** argv) { return convertFile(argc, argv, detectAndConvertToText); }

int formToResource(int argc, char** argv) { return convertFile(argc, argv, ObjectTextToResource); }

} // namespace swapwright::cli
