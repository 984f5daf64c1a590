// The two system calls behind TempFile (one source per system): make a new
// private file whose name starts with prefix in the temporary folder (false
// with errno set), and delete one.
#pragma once

#include <string>

bool create_unique_file(const char *prefix, std::string &path);
void delete_temp_file(const std::string &path);
