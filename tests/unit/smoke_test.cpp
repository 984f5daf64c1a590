#include <gtest/gtest.h>

#include "core/node.h"

TEST(Layout, NodeTypeCodesAreFixed) {
    EXPECT_EQ(T_VALUE, 70);
    EXPECT_EQ(T_ARRAY_ELEMENT, 79);
}
