#include "platform/error_text.h"

#include <cstring>

const char *error_text(int error) { return std::strerror(error); }
