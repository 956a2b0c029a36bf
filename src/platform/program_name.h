// The program's name as its lines on stderr begin ("duckview: cannot open a
// display: ..."), written here once for every back end that reports there.
#ifndef DUCKVIEW_PLATFORM_PROGRAM_NAME_H
#define DUCKVIEW_PLATFORM_PROGRAM_NAME_H

const char kProgramName[] = "duckview";

#endif // DUCKVIEW_PLATFORM_PROGRAM_NAME_H
