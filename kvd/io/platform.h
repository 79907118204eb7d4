// Everything of kvd that differs between Linux and Windows, one small
// function each. Inside kvd every text is UTF-8; these functions meet the
// system where it is not.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "kvd/io/file_name.h"

namespace zel::cli::platform {

// The program's arguments (without the program name) as UTF-8. On Linux the
// bytes as given; on Windows from the wide command line, so that a Cyrillic
// file name arrives whole whatever the ANSI code page.
std::vector<std::string> utf8Arguments(int argc, char** argv);

// A file name as given (UTF-8) as a path the standard library opens.
std::filesystem::path pathFromUtf8(const std::string& name);
// And back: a path as UTF-8 text.
std::string utf8FromPath(const std::filesystem::path& path);

// The files that a command-line file argument names: where a name becomes a
// path. On Windows an argument with * or ? is matched against the files of
// its folder (the shell does not do it there), in name order, each keeping
// the folder part as typed; an argument that matches nothing is kept as it
// is, so that it is reported as missing. Elsewhere the shell has expanded
// it: one name.
std::vector<FileName> expandWildcards(const std::string& argument);

// Writes UTF-8 text to standard output or standard error. A Windows console
// gets it as UTF-16 (WriteConsoleW), so Cyrillic and "±" read right whatever
// its code page; a redirected stream gets the UTF-8 bytes, as on Linux.
void writeText(std::FILE* stream, std::string_view utf8);

struct CsvStyle {
  char separator;
  char decimalPoint;
  bool byteOrderMark;
  bool crlf;
};

// The CSV style when none is asked for. On Windows the user's regional list
// separator and decimal symbol, with a byte order mark and CR LF, as Excel
// opens it there; elsewhere RFC 4180: comma, point, no mark, LF.
CsvStyle defaultCsvStyle();
// That default in the words of kvd export --help.
std::string_view defaultCsvStyleHelp();

// A path of an existing file or folder for a C library that opens files by
// a narrow name (libxlsxwriter, and the scratch folder it writes to). The
// bytes as they are on Linux. On Windows its short 8.3 form where that is
// plain ASCII, which every narrow call reads alike, whatever the code page
// and however the library was built (a MinGW build of libxlsxwriter opens
// its file through the ANSI fopen); else the UTF-8 text.
std::string pathForNarrowCalls(const std::filesystem::path& path);

// Creates (or empties) a file for writing in binary mode; null on failure
// with errno set.
std::FILE* createFile(const std::filesystem::path& path);

// While an output is being written under its temporary name: an interrupt
// (Ctrl+C, a termination request) removes that file before the program
// ends, so no half file stays behind.
void setInterruptCleanup(const std::filesystem::path& temporary);
void clearInterruptCleanup();

// Whether the stream goes to a terminal (a console on Windows), where a
// progress line may be drawn; not when it is redirected to a file or pipe.
bool isTerminal(std::FILE* stream);

// Reads one line typed at the terminal of standard input without showing
// it (a password): echo is off from before `prompt` is written to standard
// error until the line is read, and back on afterwards, also when the
// program is interrupted meanwhile; the Enter still moves to the next line.
// The line's end is not kept. False when the input ends or fails first.
bool readHiddenLine(std::string_view prompt, std::string& line);

// The measurement file name as the record browser holds it, for the DIF's
// file cell: the bytes as given on Linux; the ANSI code page on Windows,
// where the browser takes its names in that code page.
std::string difFileName(const FileName& name);

}  // namespace zel::cli::platform
