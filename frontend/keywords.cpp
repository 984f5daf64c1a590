// The keyword table: named control codes, keywords and builtin names, sorted
// by byte value of the name so that lookup can bisect. Names that share one
// builtin point at the same function.
#include "frontend/keywords.h"

#include <algorithm>

#include "core/builtins.h"

namespace {

// clang-format off
constexpr Keyword keywords[] = {
//   name                  node type          token                  value  builtin
    {"ACK",                 0,                 Token::YNUMBER,           6, {}},
    {"AX",                  0,                 Token::YNUMBER,          31, {}},
    {"BEGIN",               0,                 Token::LEX_BEGIN,         0, {}},
    {"BEL",                 0,                 Token::YNUMBER,           7, {}},
    {"BS",                  0,                 Token::YNUMBER,           8, {}},
    {"CAN",                 0,                 Token::YNUMBER,          24, {}},
    {"CLR",                 0,                 Token::YNUMBER,          12, {}},
    {"CLS",                 0,                 Token::YNUMBER,          12, {}},
    {"CR",                  0,                 Token::YNUMBER,          13, {}},
    {"DC1",                 0,                 Token::YNUMBER,          17, {}},
    {"DC2",                 0,                 Token::YNUMBER,          18, {}},
    {"DC3",                 0,                 Token::YNUMBER,          19, {}},
    {"DC4",                 0,                 Token::YNUMBER,          20, {}},
    {"DEL",                 0,                 Token::YNUMBER,         127, {}},
    {"DLE",                 0,                 Token::YNUMBER,          16, {}},
    {"DLE_DC4",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_DLE_DC4},
    {"DLE_ENQ",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_DLE_ENQ},
    {"DLE_EOT",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_DLE_EOT},
    {"DLE_EOT_BEL",         T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_DLE_EOT_BEL},
    {"DLE_EOT_BS",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_DLE_EOT_BS},
    {"DLE_EOT_NUL",         T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_DLE_EOT_NUL},
    {"EM",                  0,                 Token::YNUMBER,          25, {}},
    {"ENQ",                 0,                 Token::YNUMBER,           5, {}},
    {"ENQ_a",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_a},
    {"EOT",                 0,                 Token::YNUMBER,           4, {}},
    {"ESC",                 0,                 Token::YNUMBER,          27, {}},
    {"ESC_u",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_ESC_u},
    {"ESC_v",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_ESC_v},
    {"ETB",                 0,                 Token::YNUMBER,          23, {}},
    {"ETX",                 0,                 Token::YNUMBER,           3, {}},
    {"FF",                  0,                 Token::YNUMBER,          12, {}},
    {"FS",                  0,                 Token::YNUMBER,          28, {}},
    {"FS_LP_e",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_FS_LP_e},
    {"FS_LP_j",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_FS_LP_j},
    {"FS_PLUS",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_FS_PLUS},
    {"FS_a0",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_FS_a0},
    {"FS_b",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_FS_b},
    {"GS",                  0,                 Token::YNUMBER,          29, {}},
    {"GS_8_L_112",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_8_L_112},
    {"GS_8_L_113",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_8_L_68},
    {"GS_8_L_67",           T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_8_L_67},
    {"GS_8_L_68",           T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_8_L_68},
    {"GS_ENQ",              T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_ENQ},
    {"GS_I",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_I},
    {"GS_LP_G_32",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_G_32},
    {"GS_LP_G_60",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_G_60},
    {"GS_LP_G_61",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_G_61},
    {"GS_LP_G_64",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_G_64},
    {"GS_LP_G_65",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_G_65},
    {"GS_LP_G_66",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_G_66},
    {"GS_LP_G_67",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_G_67},
    {"GS_LP_G_70",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_G_70},
    {"GS_LP_G_71",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_G_71},
    {"GS_LP_L_112",         T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_L_112},
    {"GS_LP_L_113",         T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_8_L_68},
    {"GS_LP_L_67",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_LP_L_67},
    {"GS_LP_L_68",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_8_L_68},
    {"GS_Q0",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_Q0},
    {"GS_a",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_a},
    {"GS_g2",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_g2},
    {"GS_j",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_j},
    {"GS_r",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_r},
    {"GS_v0",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_GS_v0},
    {"HOM",                 0,                 Token::YNUMBER,          11, {}},
    {"HT",                  0,                 Token::YNUMBER,           9, {}},
    {"ITHACA_ENQ",          T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_ITHACA_ENQ},
    {"LF",                  0,                 Token::YNUMBER,          10, {}},
    {"MD1",                 0,                 Token::YNUMBER,           1, {}},
    {"MD2",                 0,                 Token::YNUMBER,           2, {}},
    {"MD3",                 0,                 Token::YNUMBER,           3, {}},
    {"NAK",                 0,                 Token::YNUMBER,          21, {}},
    {"NCR_GS_LP_G_65",      T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_NCR_GS_LP_G_65},
    {"NUL",                 0,                 Token::YNUMBER,           0, {}},
    {"PR2_ESC_MINUS",       T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_PR2_ESC_MINUS},
    {"PR2_ESC_RBR_MINUS",   T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_PR2_ESC_RBR_MINUS},
    {"PR2_ESC_SP_B",        T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_PR2_ESC_SP_B},
    {"PR2_ESC_SP_a",        T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_PR2_ESC_SP_a},
    {"PR2_ESC_SP_b",        T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_PR2_ESC_SP_b},
    {"PR2_ESC_U",           T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_PR2_ESC_U},
    {"PR2_ESC_Z",           T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_PR2_ESC_Z},
    {"PR2_ESC_i",           T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_PR2_ESC_i},
    {"PR2_ESC_j",           T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_PR2_ESC_j},
    {"QR_v0",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_QR_v0},
    {"RS",                  0,                 Token::YNUMBER,          30, {}},
    {"SI",                  0,                 Token::YNUMBER,          15, {}},
    {"SO",                  0,                 Token::YNUMBER,          14, {}},
    {"SOH",                 0,                 Token::YNUMBER,           1, {}},
    {"SP",                  0,                 Token::YNUMBER,          32, {}},
    {"STX",                 0,                 Token::YNUMBER,           2, {}},
    {"SUB",                 0,                 Token::YNUMBER,          26, {}},
    {"SYN",                 0,                 Token::YNUMBER,          22, {}},
    {"US",                  0,                 Token::YNUMBER,          31, {}},
    {"US_v",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_US_v},
    {"VT",                  0,                 Token::YNUMBER,          11, {}},
    {"XOFF",                0,                 Token::YNUMBER,          19, {}},
    {"XON",                 0,                 Token::YNUMBER,          17, {}},
    {"asb",                 T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_asb},
    {"bitcustomize",        T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_bitcustomize},
    {"bitimage",            T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_bitimage},
    {"bitmap",              T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_bitmap},
    {"blockstatus",         T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_blockstatus},
    {"break",               T_BREAK,           Token::LEX_BREAK,         0, {}},
    {"busy",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_busy},
    {"char",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_char},
    {"cls",                 T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_cls},
    {"code",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_code},
    {"color",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_color},
    {"continue",            T_CONTINUE,        Token::LEX_CONTINUE,      0, {}},
    {"date",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_date},
    {"delete",              T_DELETE,          Token::LEX_DELETE,        0, {}},
    {"direct",              T_DIRECT,          Token::LEX_DIRECT,        0, {}},
    {"directf",             T_DIRECTF,         Token::LEX_DIRECTF,       0, {}},
    {"do",                  T_DO,              Token::LEX_DO,            0, {}},
    {"download",            T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_download},
    {"dword",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_dword},
    {"else",                0,                 Token::LEX_ELSE,          0, {}},
    {"exasb",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_exasb},
    {"exit",                T_EXIT,            Token::LEX_EXIT,          0, {}},
    {"fclose",              T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_fclose},
    {"fgetc",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_fgetc},
    {"fgets",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_fgets},
    {"file",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_file},
    {"fopen",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_fopen},
    {"for",                 T_FOR,             Token::LEX_FOR,           0, {}},
    {"fputc",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_fputc},
    {"fputs",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_fputs},
    {"fseek",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_fseek},
    {"ftell",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_ftell},
    {"func",                T_FUNCTION,        Token::LEX_FUNCTION,      0, {}},
    {"function",            T_FUNCTION,        Token::LEX_FUNCTION,      0, {}},
    {"getch",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_getch},
    {"getn",                T_BUILTIN,         Token::LEX_LENGTH,        0, BuiltinId::do_getn},
    {"gets",                T_BUILTIN,         Token::LEX_LENGTH,        0, BuiltinId::do_gets},
    {"gsub",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_gsub},
    {"hex",                 T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_hex},
    {"if",                  T_IF,              Token::LEX_IF,            0, {}},
    {"in",                  0,                 Token::LEX_IN,            0, {}},
    {"index",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_index},
    {"inkasb",              T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_inkasb},
    {"isCTS",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_isCTS},
    {"isDSR",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_isDSR},
    {"jindex",              T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_jindex},
    {"jlength",             T_BUILTIN,         Token::LEX_LENGTH,        0, BuiltinId::do_jlength},
    {"jsubstr",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_jsubstr},
    {"kbhit",               T_BUILTIN,         Token::LEX_LENGTH,        0, BuiltinId::do_kbhit},
    {"length",              T_BUILTIN,         Token::LEX_LENGTH,        0, BuiltinId::do_length},
    {"locate",              T_BUILTIN,         Token::LEX_LENGTH,        0, BuiltinId::do_locate},
    {"lognow",              T_BUILTIN,         Token::LEX_LENGTH,        0, BuiltinId::do_lognow},
    {"main",                0,                 Token::LEX_BEGIN,         0, {}},
    {"match",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_match},
    {"mkdir",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_mkdir},
    {"next",                T_NEXT,            Token::LEX_NEXT,          0, {}},
    {"now",                 T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_now},
    {"output",              T_OUTPUT,          Token::LEX_OUTPUT,        0, {}},
    {"outputf",             T_OUTPUTF,         Token::LEX_OUTPUTF,       0, {}},
    {"pause",               T_BUILTIN,         Token::LEX_LENGTH,        0, BuiltinId::do_pause},
    {"print",               T_PRINT,           Token::LEX_PRINT,         0, {}},
    {"printf",              T_PRINTF,          Token::LEX_PRINTF,        0, {}},
    {"rand",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_rand},
    {"ready",               T_BUILTIN,         Token::LEX_LENGTH,        0, BuiltinId::do_ready},
    {"recv",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_recv},
    {"recvlen",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_recvlen},
    {"remove",              T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_remove},
    {"reset",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_reset},
    {"return",              T_RETURN,          Token::LEX_RETURN,        0, {}},
    {"rmdir",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_rmdir},
    {"scan",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_scan},
    {"split",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_split},
    {"sprintf",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_sprintf},
    {"srand",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_srand},
    {"sub",                 T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_sub},
    {"substr",              T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_substr},
    {"system",              T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_system},
    {"time",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_time},
    {"timer",               T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_timer},
    {"tolower",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_tolower},
    {"toupper",             T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_toupper},
    {"unlink",              T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_remove},
    {"wait",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_wait},
    {"wave",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_wave},
    {"while",               T_WHILE,           Token::LEX_WHILE,         0, {}},
    {"word",                T_BUILTIN,         Token::LEX_BUILTIN,       0, BuiltinId::do_word},
};
// clang-format on

constexpr bool sorted_strictly() {
    for (size_t i = 1; i < std::size(keywords); i++) {
        if (!(keywords[i - 1].name < keywords[i].name)) return false;
    }
    return true;
}

constexpr int count_of(bool (*pick)(const Keyword &)) {
    int n = 0;
    for (const Keyword &k : keywords) n += pick(k) ? 1 : 0;
    return n;
}

static_assert(std::size(keywords) == KEYWORD_COUNT);
static_assert(sorted_strictly(), "keyword table must be in ascending byte order");
static_assert(count_of([](const Keyword &k) { return k.token == Token::YNUMBER; }) == 43);
static_assert(count_of([](const Keyword &k) {
                  return k.token == Token::LEX_BUILTIN || k.token == Token::LEX_LENGTH;
              }) == 117);

// Every builtin function is reached by at least one name.
constexpr bool every_builtin_named() {
    bool named[BUILTIN_COUNT] = {};
    for (const Keyword &k : keywords)
        if (k.token == Token::LEX_BUILTIN || k.token == Token::LEX_LENGTH) named[static_cast<int>(k.builtin)] = true;
    for (bool n : named)
        if (!n) return false;
    return true;
}
static_assert(every_builtin_named());

}  // namespace

std::span<const Keyword> keyword_table() { return keywords; }

const Keyword *find_keyword(std::string_view word) {
    const Keyword *end = std::end(keywords);
    const Keyword *at = std::lower_bound(std::begin(keywords), end, word,
                                         [](const Keyword &k, std::string_view w) { return k.name < w; });
    return at != end && at->name == word ? at : nullptr;
}
