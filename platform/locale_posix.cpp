#include "platform/locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>

bool console_is_utf8() {
    static const bool utf8 = [] {
        locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        if (loc == static_cast<locale_t>(0)) return false;
        const char *set = nl_langinfo_l(CODESET, loc);
        bool yes = set != nullptr && (std::strcmp(set, "UTF-8") == 0 || std::strcmp(set, "utf8") == 0);
        freelocale(loc);
        return yes;
    }();
    return utf8;
}

double strtod_c_locale(const char *text) {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return strtod_l(text, nullptr, c_locale);
}
