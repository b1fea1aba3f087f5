#pragma once

#include <span>
#include <string>
#include <string_view>

// The usage and help texts of swapwright-cli and the one way its commands word their messages:
// "swapwright-cli COMMAND: message" on standard error, for usage errors followed by the line
// "usage: swapwright-cli COMMAND ...".
namespace swapwright::cli {

struct CommandHelp {
    std::string_view name;
    std::string_view usage;       // the arguments after the command's name
    std::string_view description; // what --help prints below the usage line
};

// Every command, in the order the program's help lists them.
std::span<const CommandHelp> commandHelps();
// The command of that name; an unknown name is a programming fault.
const CommandHelp& commandHelp(std::string_view name);

// The project's version.
std::string_view programVersion() noexcept;

bool isHelpOption(std::string_view argument) noexcept;
// The usage line and the description on standard output; returns 0.
int printHelp(std::string_view command);
// "swapwright-cli COMMAND: message" on standard error.
void printError(std::string_view command, std::string_view message);
// The message and the command's usage line on standard error; returns 2.
int usageError(std::string_view command, std::string_view message);

} // namespace swapwright::cli
