#include <windows.h>

#include "platform/console.h"

void console_set_title(const char *title) { SetConsoleTitleA(title); }
