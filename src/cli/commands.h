#pragma once

// The commands of swapwright-cli. Each takes its own argument vector (argv[0] is the command's
// name) and returns the process exit status.
namespace swapwright::cli {

int runShow(int argc, char** argv); // show DEFINITION.swd [FILE...]

} // namespace swapwright::cli
