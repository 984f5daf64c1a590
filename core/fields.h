// The current record `$0`, its fields `$1`..`$NF` and the splitter shared with
// the `split` builtin.
//
// Contract:
//  - The record is set only by assigning `$0` (set_record); it is split lazily,
//    all at once, on the first reference to a field or to NF (NF is -1 until
//    then). Assigning a field n > 0 makes `$0` stale; reading `$0` rebuilds it
//    from the fields joined by OFS.
//  - The separator for `$0` is derived from FS (and RS) when the record is set:
//    a later assignment to FS applies to the next record assigned.
//  - Separators: one space splits on runs of blanks and tabs; one other byte
//    splits on that byte (never on the second byte of a Shift-JIS character);
//    empty splits on NUL; two or more bytes are a regular expression.
//  - Field numbers are 0..MAX_FIELD; beyond it storing a field fails like an
//    allocation ("set_field: var: can't reallocate memory").
#pragma once

#include <cstdint>
#include <string_view>

#include "core/node.h"

struct regex_registers;

constexpr int32_t MAX_FIELD = 10'000'000;


void init_fields();
// Declares a new record. When `text` is not the text already held as `$0`, a
// copy of it becomes `$0`.
void set_record(const char *text, int32_t length);
// Slot of field n (n >= 0). Reading beyond NF yields a slot holding
// null_string and creates nothing; assigning creates the field (and the empty
// ones before it) and raises NF.
NODE **get_field(int32_t n, int assign);
void set_field(int32_t n, const char *text, int32_t length);
void rebuild_record();
// NF was referred to while the record is unsplit: split it and set NF.
void split_record_for_nf();

// First match of the regular-expression separator in text[0..length): its start,
// or -1 (also when the search gave up); regs->end[0] is the match end. The
// compiled separator is cached while its text and the IGNORECASE setting stay.
int32_t re_split(const char *text, int32_t length, std::string_view separator, regex_registers *regs);
