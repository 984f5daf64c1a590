// The files a script opened with fopen, seen from the end of a run.
//  - close_script_files flushes and closes every file still open and returns
//    the names of those whose data could not all be written (a full disk).
//  - It may run on another thread while the interpreter is stopped; a file
//    whose lock is held elsewhere at that moment is left as it is.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> close_script_files();
