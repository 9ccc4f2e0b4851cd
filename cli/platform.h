// What the program needs from the system beyond the C++ library: its own file, its arguments and
// standard streams as UTF-8 bytes, and whether standard error is a terminal.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vx::cli {

// The running program's file; empty when the system does not tell.
std::filesystem::path ProgramFile();

// The command line as UTF-8 words. On Windows they are taken from the wide-character command
// line, since argv holds them in the ANSI code page, which cannot hold every Japanese name.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Standard input and output carry bytes unchanged (no CR added before LF on Windows), text
// written to a Windows console is read as UTF-8, and a reader that goes away makes writes fail
// instead of ending the program.
void PrepareStandardStreams();

bool StandardErrorIsTerminal();

// Asks for the heap in 2 MiB pages where the system gives them on request (Linux with glibc).
// Loading a document of a million vertices touches a hundred megabytes a page at a time, and
// there the kernel's 4 KiB page faults cost more than reading the numbers. Call before the work.
void PreferLargePages();

}  // namespace vx::cli
