// Renders a syntax tree as one line of S-expression, for tests and debugging:
// (TYPE left right) with the node-type name without its T_ prefix, "-" for
// an absent child where a later one is present, lists flattened
// ((STATEMENT_LIST a b c)), numbers in decimal, strings quoted, variables by
// their symbol-table name, parameters as name#slot, regexps as /text/,
// builtin calls as (BUILTIN name args...), for loops as (FOR init cond incr
// body) and (FOR_IN var array body). Read-only; a tree nested too deeply
// to walk ends the run through fatal.
#pragma once

#include <cstdint>
#include <string>

#include "core/node.h"

std::string tree_dump(const NODE *tree);

// "ADD" for T_ADD; "?" for a code that names no node type.
const char *node_type_name(int32_t type);
