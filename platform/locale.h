// What the user's locale says about the console's character set.
//  - console_is_utf8: true when LC_CTYPE of the environment names UTF-8.
//    Asked without changing the program's own locale; learned once.
#pragma once

bool console_is_utf8();
