#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/temp_file.h"
#include "platform/temp_file_os.h"

extern char **environ;

bool create_unique_file(const char *prefix, std::string &path) {
    const char *dir = std::getenv("TMPDIR");
    std::string pattern = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
    if (pattern.back() != '/') pattern += '/';
    pattern += prefix;
    pattern += "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    close(fd);
    path.assign(name.data());
    return true;
}

void delete_temp_file(const std::string &path) { unlink(path.c_str()); }

const char *const *environment_entries() { return environ; }

void set_environment(const char *name, const char *value) {
    if (value != nullptr) setenv(name, value, 1);
    else unsetenv(name);
}
