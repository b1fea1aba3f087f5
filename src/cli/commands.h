#pragma once

#include <string>

// The commands of swapwright-cli. Each takes its own argument vector (argv[0] is the command's
// name) and returns the process exit status.
namespace swapwright {
class TSession;
class TOperationData;
} // namespace swapwright

namespace swapwright::cli {

// form-to-text INPUT OUTPUT: a form file in either storage to the text form (text is copied).
int formToText(int argc, char** argv);
// form-to-resource INPUT OUTPUT: a text form file to the resource form.
int formToResource(int argc, char** argv);
// show [folder flags] DEFINITION.swd [FILE|FOLDER...]: prints what a definition file sets up.
int runShow(int argc, char** argv);
// run [--dry-run] [--no-sync] [--report FILE] [folder flags] DEFINITION.swd [FILE|FOLDER...]: the
// replacement run of a definition file.
int runRun(int argc, char** argv);
// run --preview: the run of a started session's record as a unified diff on standard output,
// its report on standard error (and in reportFile when one is named); nothing else is written.
int previewRun(TSession& session, TOperationData& data, const std::string& reportFile);
// undo [--list] [--dry-run] [RUN]: puts the files of a kept run back.
int runUndo(int argc, char** argv);
// replace [--prefix none|8|16|32] DEFS.tsv INPUT [OUTPUT]: one file through the substitution.
int runReplace(int argc, char** argv);

} // namespace swapwright::cli
