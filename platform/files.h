// File system questions the run modes ask before touching files.
#pragma once

// True when both paths exist and name the same file (links included).
bool same_file(const char *a, const char *b);
