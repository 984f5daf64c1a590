#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "core/node.h"

namespace {

class Symbols : public ::testing::Test {
protected:
    void SetUp() override { init_null_string(); }
};

TEST_F(Symbols, NewestEntryHidesOlderUntilRemoved) {
    NODE *older = newnode(T_VAR);
    NODE *newer = newnode(T_VAR);
    EXPECT_EQ(install(global_table, "sym_shadow", older), older);
    install(global_table, "sym_shadow", newer);
    EXPECT_EQ(lookup(global_table, "sym_shadow"), newer);
    remove("sym_shadow", 0);
    EXPECT_EQ(lookup(global_table, "sym_shadow"), older);
    remove("sym_shadow", 0);
    EXPECT_EQ(lookup(global_table, "sym_shadow"), nullptr);
    remove("sym_shadow", 0);  // a missing name is ignored
    free_node(older);
    free_node(newer);
}

TEST_F(Symbols, NamesAreTheLeadingIdentifier) {
    NODE *fn = newnode(T_FUNC_NAME);
    install(global_table, "sym_f(x, y)", fn);
    EXPECT_EQ(lookup(global_table, "sym_f"), fn);
    EXPECT_EQ(lookup(global_table, "sym_f (1)"), fn);
    EXPECT_EQ(lookup(global_table, "sym_"), nullptr);
    EXPECT_EQ(lookup(global_table, "sym_fx"), nullptr);
    EXPECT_EQ(lookup(global_table, "(sym_f"), nullptr);  // an empty name never matches
    remove("sym_f", 0);
    free_node(fn);
}

TEST_F(Symbols, VariableIsMadeOnceWithTheEmptyValue) {
    NODE *v = variable("sym_counter");
    EXPECT_EQ(v->type, T_VAR);
    EXPECT_EQ(v->left, null_string);
    EXPECT_EQ(v->table, nullptr);
    EXPECT_EQ(variable("sym_counter"), v);
}

TEST_F(Symbols, RemoveCanFreeTheInstalledName) {
    // Many names share buckets; every one must stay reachable.
    char name[16];
    for (int i = 0; i < 500; ++i) {
        std::snprintf(name, sizeof name, "p%d", i);
        NODE *param = newnode(T_PARAMETER);
        param->name = strdup(name);
        install(global_table, name, param);
    }
    for (int i = 0; i < 500; ++i) {
        std::snprintf(name, sizeof name, "p%d", i);
        NODE *param = lookup(global_table, name);
        ASSERT_NE(param, nullptr);
        EXPECT_STREQ(param->name, name);
        remove(name, 1);  // the leak checker notices a name left behind
        EXPECT_EQ(lookup(global_table, name), nullptr);
        free_node(param);
    }
}

}  // namespace
