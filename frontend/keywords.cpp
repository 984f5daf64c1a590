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
    {"ACK",                 0,                 Token::YNUMBER,           6, nullptr},
    {"AX",                  0,                 Token::YNUMBER,          31, nullptr},
    {"BEGIN",               0,                 Token::LEX_BEGIN,         0, nullptr},
    {"BEL",                 0,                 Token::YNUMBER,           7, nullptr},
    {"BS",                  0,                 Token::YNUMBER,           8, nullptr},
    {"CAN",                 0,                 Token::YNUMBER,          24, nullptr},
    {"CLR",                 0,                 Token::YNUMBER,          12, nullptr},
    {"CLS",                 0,                 Token::YNUMBER,          12, nullptr},
    {"CR",                  0,                 Token::YNUMBER,          13, nullptr},
    {"DC1",                 0,                 Token::YNUMBER,          17, nullptr},
    {"DC2",                 0,                 Token::YNUMBER,          18, nullptr},
    {"DC3",                 0,                 Token::YNUMBER,          19, nullptr},
    {"DC4",                 0,                 Token::YNUMBER,          20, nullptr},
    {"DEL",                 0,                 Token::YNUMBER,         127, nullptr},
    {"DLE",                 0,                 Token::YNUMBER,          16, nullptr},
    {"DLE_DC4",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_DLE_DC4},
    {"DLE_ENQ",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_DLE_ENQ},
    {"DLE_EOT",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_DLE_EOT},
    {"DLE_EOT_BEL",         T_BUILTIN,         Token::LEX_BUILTIN,       0, do_DLE_EOT_BEL},
    {"DLE_EOT_BS",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_DLE_EOT_BS},
    {"DLE_EOT_NUL",         T_BUILTIN,         Token::LEX_BUILTIN,       0, do_DLE_EOT_NUL},
    {"EM",                  0,                 Token::YNUMBER,          25, nullptr},
    {"ENQ",                 0,                 Token::YNUMBER,           5, nullptr},
    {"ENQ_a",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_a},
    {"EOT",                 0,                 Token::YNUMBER,           4, nullptr},
    {"ESC",                 0,                 Token::YNUMBER,          27, nullptr},
    {"ESC_u",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_ESC_u},
    {"ESC_v",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_ESC_v},
    {"ETB",                 0,                 Token::YNUMBER,          23, nullptr},
    {"ETX",                 0,                 Token::YNUMBER,           3, nullptr},
    {"FF",                  0,                 Token::YNUMBER,          12, nullptr},
    {"FS",                  0,                 Token::YNUMBER,          28, nullptr},
    {"FS_LP_e",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_FS_LP_e},
    {"FS_LP_j",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_FS_LP_j},
    {"FS_PLUS",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_FS_PLUS},
    {"FS_a0",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_FS_a0},
    {"FS_b",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_FS_b},
    {"GS",                  0,                 Token::YNUMBER,          29, nullptr},
    {"GS_8_L_112",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_8_L_112},
    {"GS_8_L_113",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_8_L_68},
    {"GS_8_L_67",           T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_8_L_67},
    {"GS_8_L_68",           T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_8_L_68},
    {"GS_ENQ",              T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_ENQ},
    {"GS_I",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_I},
    {"GS_LP_G_32",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_G_32},
    {"GS_LP_G_60",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_G_60},
    {"GS_LP_G_61",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_G_61},
    {"GS_LP_G_64",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_G_64},
    {"GS_LP_G_65",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_G_65},
    {"GS_LP_G_66",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_G_66},
    {"GS_LP_G_67",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_G_67},
    {"GS_LP_G_70",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_G_70},
    {"GS_LP_G_71",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_G_71},
    {"GS_LP_L_112",         T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_L_112},
    {"GS_LP_L_113",         T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_8_L_68},
    {"GS_LP_L_67",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_LP_L_67},
    {"GS_LP_L_68",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_8_L_68},
    {"GS_Q0",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_Q0},
    {"GS_a",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_a},
    {"GS_g2",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_g2},
    {"GS_j",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_j},
    {"GS_r",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_r},
    {"GS_v0",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_GS_v0},
    {"HOM",                 0,                 Token::YNUMBER,          11, nullptr},
    {"HT",                  0,                 Token::YNUMBER,           9, nullptr},
    {"ITHACA_ENQ",          T_BUILTIN,         Token::LEX_BUILTIN,       0, do_ITHACA_ENQ},
    {"LF",                  0,                 Token::YNUMBER,          10, nullptr},
    {"MD1",                 0,                 Token::YNUMBER,           1, nullptr},
    {"MD2",                 0,                 Token::YNUMBER,           2, nullptr},
    {"MD3",                 0,                 Token::YNUMBER,           3, nullptr},
    {"NAK",                 0,                 Token::YNUMBER,          21, nullptr},
    {"NCR_GS_LP_G_65",      T_BUILTIN,         Token::LEX_BUILTIN,       0, do_NCR_GS_LP_G_65},
    {"NUL",                 0,                 Token::YNUMBER,           0, nullptr},
    {"PR2_ESC_MINUS",       T_BUILTIN,         Token::LEX_BUILTIN,       0, do_PR2_ESC_MINUS},
    {"PR2_ESC_RBR_MINUS",   T_BUILTIN,         Token::LEX_BUILTIN,       0, do_PR2_ESC_RBR_MINUS},
    {"PR2_ESC_SP_B",        T_BUILTIN,         Token::LEX_BUILTIN,       0, do_PR2_ESC_SP_B},
    {"PR2_ESC_SP_a",        T_BUILTIN,         Token::LEX_BUILTIN,       0, do_PR2_ESC_SP_a},
    {"PR2_ESC_SP_b",        T_BUILTIN,         Token::LEX_BUILTIN,       0, do_PR2_ESC_SP_b},
    {"PR2_ESC_U",           T_BUILTIN,         Token::LEX_BUILTIN,       0, do_PR2_ESC_U},
    {"PR2_ESC_Z",           T_BUILTIN,         Token::LEX_BUILTIN,       0, do_PR2_ESC_Z},
    {"PR2_ESC_i",           T_BUILTIN,         Token::LEX_BUILTIN,       0, do_PR2_ESC_i},
    {"PR2_ESC_j",           T_BUILTIN,         Token::LEX_BUILTIN,       0, do_PR2_ESC_j},
    {"QR_v0",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_QR_v0},
    {"RS",                  0,                 Token::YNUMBER,          30, nullptr},
    {"SI",                  0,                 Token::YNUMBER,          15, nullptr},
    {"SO",                  0,                 Token::YNUMBER,          14, nullptr},
    {"SOH",                 0,                 Token::YNUMBER,           1, nullptr},
    {"SP",                  0,                 Token::YNUMBER,          32, nullptr},
    {"STX",                 0,                 Token::YNUMBER,           2, nullptr},
    {"SUB",                 0,                 Token::YNUMBER,          26, nullptr},
    {"SYN",                 0,                 Token::YNUMBER,          22, nullptr},
    {"US",                  0,                 Token::YNUMBER,          31, nullptr},
    {"US_v",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_US_v},
    {"VT",                  0,                 Token::YNUMBER,          11, nullptr},
    {"XOFF",                0,                 Token::YNUMBER,          19, nullptr},
    {"XON",                 0,                 Token::YNUMBER,          17, nullptr},
    {"asb",                 T_BUILTIN,         Token::LEX_BUILTIN,       0, do_asb},
    {"bitcustomize",        T_BUILTIN,         Token::LEX_BUILTIN,       0, do_bitcustomize},
    {"bitimage",            T_BUILTIN,         Token::LEX_BUILTIN,       0, do_bitimage},
    {"bitmap",              T_BUILTIN,         Token::LEX_BUILTIN,       0, do_bitmap},
    {"blockstatus",         T_BUILTIN,         Token::LEX_BUILTIN,       0, do_blockstatus},
    {"break",               T_BREAK,           Token::LEX_BREAK,         0, nullptr},
    {"busy",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_busy},
    {"char",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_char},
    {"cls",                 T_BUILTIN,         Token::LEX_BUILTIN,       0, do_cls},
    {"code",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_code},
    {"color",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_color},
    {"continue",            T_CONTINUE,        Token::LEX_CONTINUE,      0, nullptr},
    {"date",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_date},
    {"delete",              T_DELETE,          Token::LEX_DELETE,        0, nullptr},
    {"direct",              T_DIRECT,          Token::LEX_DIRECT,        0, nullptr},
    {"directf",             T_DIRECTF,         Token::LEX_DIRECTF,       0, nullptr},
    {"do",                  T_DO,              Token::LEX_DO,            0, nullptr},
    {"download",            T_BUILTIN,         Token::LEX_BUILTIN,       0, do_download},
    {"dword",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_dword},
    {"else",                0,                 Token::LEX_ELSE,          0, nullptr},
    {"exasb",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_exasb},
    {"exit",                T_EXIT,            Token::LEX_EXIT,          0, nullptr},
    {"fclose",              T_BUILTIN,         Token::LEX_BUILTIN,       0, do_fclose},
    {"fgetc",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_fgetc},
    {"fgets",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_fgets},
    {"file",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_file},
    {"fopen",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_fopen},
    {"for",                 T_FOR,             Token::LEX_FOR,           0, nullptr},
    {"fputc",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_fputc},
    {"fputs",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_fputs},
    {"fseek",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_fseek},
    {"ftell",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_ftell},
    {"func",                T_FUNCTION,        Token::LEX_FUNCTION,      0, nullptr},
    {"function",            T_FUNCTION,        Token::LEX_FUNCTION,      0, nullptr},
    {"getch",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_getch},
    {"getn",                T_BUILTIN,         Token::LEX_LENGTH,        0, do_getn},
    {"gets",                T_BUILTIN,         Token::LEX_LENGTH,        0, do_gets},
    {"gsub",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_gsub},
    {"hex",                 T_BUILTIN,         Token::LEX_BUILTIN,       0, do_hex},
    {"if",                  T_IF,              Token::LEX_IF,            0, nullptr},
    {"in",                  0,                 Token::LEX_IN,            0, nullptr},
    {"index",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_index},
    {"inkasb",              T_BUILTIN,         Token::LEX_BUILTIN,       0, do_inkasb},
    {"isCTS",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_isCTS},
    {"isDSR",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_isDSR},
    {"jindex",              T_BUILTIN,         Token::LEX_BUILTIN,       0, do_jindex},
    {"jlength",             T_BUILTIN,         Token::LEX_LENGTH,        0, do_jlength},
    {"jsubstr",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_jsubstr},
    {"kbhit",               T_BUILTIN,         Token::LEX_LENGTH,        0, do_kbhit},
    {"length",              T_BUILTIN,         Token::LEX_LENGTH,        0, do_length},
    {"locate",              T_BUILTIN,         Token::LEX_LENGTH,        0, do_locate},
    {"lognow",              T_BUILTIN,         Token::LEX_LENGTH,        0, do_lognow},
    {"main",                0,                 Token::LEX_BEGIN,         0, nullptr},
    {"match",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_match},
    {"mkdir",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_mkdir},
    {"next",                T_NEXT,            Token::LEX_NEXT,          0, nullptr},
    {"now",                 T_BUILTIN,         Token::LEX_BUILTIN,       0, do_now},
    {"output",              T_OUTPUT,          Token::LEX_OUTPUT,        0, nullptr},
    {"outputf",             T_OUTPUTF,         Token::LEX_OUTPUTF,       0, nullptr},
    {"pause",               T_BUILTIN,         Token::LEX_LENGTH,        0, do_pause},
    {"print",               T_PRINT,           Token::LEX_PRINT,         0, nullptr},
    {"printf",              T_PRINTF,          Token::LEX_PRINTF,        0, nullptr},
    {"rand",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_rand},
    {"ready",               T_BUILTIN,         Token::LEX_LENGTH,        0, do_ready},
    {"recv",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_recv},
    {"recvlen",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_recvlen},
    {"remove",              T_BUILTIN,         Token::LEX_BUILTIN,       0, do_remove},
    {"reset",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_reset},
    {"return",              T_RETURN,          Token::LEX_RETURN,        0, nullptr},
    {"rmdir",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_rmdir},
    {"scan",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_scan},
    {"split",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_split},
    {"sprintf",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_sprintf},
    {"srand",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_srand},
    {"sub",                 T_BUILTIN,         Token::LEX_BUILTIN,       0, do_sub},
    {"substr",              T_BUILTIN,         Token::LEX_BUILTIN,       0, do_substr},
    {"system",              T_BUILTIN,         Token::LEX_BUILTIN,       0, do_system},
    {"time",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_time},
    {"timer",               T_BUILTIN,         Token::LEX_BUILTIN,       0, do_timer},
    {"tolower",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_tolower},
    {"toupper",             T_BUILTIN,         Token::LEX_BUILTIN,       0, do_toupper},
    {"unlink",              T_BUILTIN,         Token::LEX_BUILTIN,       0, do_remove},
    {"wait",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_wait},
    {"wave",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_wave},
    {"while",               T_WHILE,           Token::LEX_WHILE,         0, nullptr},
    {"word",                T_BUILTIN,         Token::LEX_BUILTIN,       0, do_word},
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

}  // namespace

std::span<const Keyword> keyword_table() { return keywords; }

const Keyword *find_keyword(std::string_view word) {
    const Keyword *end = std::end(keywords);
    const Keyword *at = std::lower_bound(std::begin(keywords), end, word,
                                         [](const Keyword &k, std::string_view w) { return k.name < w; });
    return at != end && at->name == word ? at : nullptr;
}
