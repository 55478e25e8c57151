// envcheck: checks environment-configuration files for unknown variables.
#pragma once

namespace velmorad {

// Set by any reported error; it alone decides the exit status.
extern int found_error;

// Checks one file: 0 when it was read, 1 when it could not be opened.
int testcffile(const char *path);

// Prints message `number` with the path and line number, and records the error.
void report_error(int number, const char *path, int line);

// Prints message `number` and ends the process with status 1.
[[noreturn]] void fatal_error(int number, const char *path);

// Prints message `number`, which takes one string, or none when arg is null.
void print_message(int number, const char *arg);

}  // namespace velmorad
