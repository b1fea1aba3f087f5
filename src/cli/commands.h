#pragma once

// The commands of swapwright-cli. Each takes its own argument vector (argv[0] is the command's
// name) and returns the process exit status.
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
// replace [--prefix none|8|16|32] DEFS.tsv INPUT [OUTPUT]: one file through the substitution.
int runReplace(int argc, char** argv);

} // namespace swapwright::cli
