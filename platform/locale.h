// What the user's locale says about the console's character set.
//  - console_is_utf8: true when LC_CTYPE of the environment names UTF-8.
//    Asked without changing the program's own locale; learned once. On
//    Windows: the console's output code page is UTF-8.
#pragma once

bool console_is_utf8();

// strtod in the "C" locale whatever the program's locale says about decimal
// points (errno set as strtod sets it).
double strtod_c_locale(const char *text);
