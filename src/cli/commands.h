#pragma once

// The commands of swapwright-cli. Each takes its own argument vector (argv[0] is the command's
// name) and returns the process exit status.
namespace swapwright::cli {

int runReplace(int argc, char** argv);

} // namespace swapwright::cli
