#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "core/builtin_test_util.h"
#include "core/eval.h"
#include "core/node.h"

namespace {

NODE *constant(const std::string &s) { return make_str_node(s.data(), s.size(), 1); }

std::vector<std::string> scan(NODE *array) {
    std::vector<std::string> keys;
    for (ScanCursor *c = assoc_scan(array); c; c = assoc_next(c)) keys.push_back(str_of(c->subscript));
    return keys;
}

void set(NODE *array, const std::string &key, int32_t value) {
    NODE **slot = assoc_lookup(array, make_temp_string(key.data(), key.size()));
    unref(*slot);
    *slot = make_number(value);
}

class Arrays : public ::testing::Test {
protected:
    void SetUp() override {
        init_null_string();
        array = newnode(T_VAR);
        array->left = null_string;
        array->table = nullptr;
    }
    void TearDown() override {
        assoc_clear(array);
        std::free(array->table);
        free_node(array);
    }
    NODE *array = nullptr;
};

TEST_F(Arrays, NumberAndStringSubscriptsNameTheSameElement) {
    NODE *key = make_temp_number(1);
    NODE **slot = assoc_lookup(array, key);
    EXPECT_EQ(array->type, T_ARRAY);
    *slot = make_number(5);
    ScanCursor *c = assoc_scan(array);
    EXPECT_EQ(c->subscript, key);  // the temporary key was adopted, not copied
    EXPECT_EQ(assoc_next(c), nullptr);

    NODE *one = constant("1");
    EXPECT_EQ(assoc_lookup(array, one), slot);
    EXPECT_EQ(assoc_lookup(array, make_temp_string("1", 1)), slot);
    set(array, "01", 2);
    EXPECT_EQ(scan(array).size(), 2u);
}

TEST_F(Arrays, MembershipNeverCreates) {
    EXPECT_EQ(in_array(array, constant("x")), 0);
    EXPECT_EQ(array->table, nullptr);
    EXPECT_EQ(array->type, T_VAR);
    do_delete(array, constant("x"));
    EXPECT_EQ(array->table, nullptr);

    set(array, "y", 1);
    EXPECT_EQ(in_array(array, constant("x")), 0);
    EXPECT_EQ(in_array(array, builtin_test::args({constant("y")})), 1);
    EXPECT_EQ(scan(array), std::vector<std::string>{"y"});
}

TEST_F(Arrays, ScalarSurvivesBecomingAnArrayAndClearKeepsTheTable) {
    array->left = make_number(42);
    set(array, "k", 1);
    EXPECT_EQ(array->type, T_ARRAY);
    EXPECT_EQ(array->left->number, 42);
    unref(array->left);
    NODE **table = array->table;
    assoc_clear(array);
    EXPECT_EQ(array->table, table);
    EXPECT_TRUE(scan(array).empty());
    EXPECT_EQ(in_array(array, constant("k")), 0);
}

// The bucket an array puts a subscript text in.
int bucket_of_text(const std::string &s) {
    uint32_t h = 0;
    for (char c : s) h = static_cast<uint32_t>(static_cast<signed char>(c)) + 2 * h;
    return static_cast<int>(((h << 5) | (h >> 27)) % ARRAY_BUCKETS);
}

// `text` with leading zeros until it shares the bucket of `other`.
std::string padded_into_bucket_of(std::string text, const std::string &other) {
    while (bucket_of_text(text) != bucket_of_text(other)) text = "0" + text;
    return text;
}

// Delete compares by value within the key's bucket: a stored subscript that
// only looks like the key's number still goes, whatever the table's size.
TEST_F(Arrays, DeleteFindsNumericTwinsInLargeTables) {
    const std::string zeros = padded_into_bucket_of("01", "1");
    ASSERT_EQ(bucket_of_text(zeros), bucket_of_text("1"));
    struct Case {
        int filler;           // numeric subscripts added first
        const char *stored;   // a string subscript added last
        bool number_key;      // delete with the number 1 or with the text "1"
        bool stored_goes;
    };
    const Case cases[] = {
        {0, nullptr, true, false},      {3000, nullptr, true, false},
        {3000, "zeros", true, true},    {10, "zeros", true, true},
        {3000, "zeros", false, false},  {3000, "x", true, false},
    };
    for (const Case &c : cases) {
        for (int i = 2; i < c.filler + 2; ++i) *assoc_lookup(array, force_string(make_temp_number(i))) = make_number(i);
        std::string stored = c.stored ? (std::string(c.stored) == "zeros" ? zeros : c.stored) : "";
        if (c.stored) set(array, stored, 9);
        NODE *key = c.number_key ? force_string(make_temp_number(1)) : make_temp_string("1", 1);
        do_delete(array, key);
        if (c.stored) {
            EXPECT_EQ(in_array(array, constant(stored)), c.stored_goes ? 0 : 1) << c.filler << stored;
        }
        EXPECT_EQ(scan(array).size(), static_cast<size_t>(c.filler) + (c.stored && !c.stored_goes)) << c.filler;
        assoc_clear(array);
    }
}

TEST_F(Arrays, DeletingOldestFirstKeepsTheScanOrderOfTheRest) {
    constexpr int n = 5000;
    for (int i = 0; i < n; ++i) *assoc_lookup(array, force_string(make_temp_number(i))) = make_number(i);
    std::vector<std::string> expected;
    for (const std::string &k : scan(array)) {
        if (std::stoi(k) >= n / 2) expected.push_back(k);
    }
    for (int i = 0; i < n / 2; ++i) do_delete(array, force_string(make_temp_number(i)));
    EXPECT_EQ(scan(array), expected);
    for (int i = n - 1; i >= n / 2; i -= 2) do_delete(array, force_string(make_temp_number(i)));
    EXPECT_EQ(scan(array).size(), static_cast<size_t>(n / 4));
}

// The scan order an array must give: each bucket newest first, buckets in order.
struct ScanModel {
    std::vector<std::vector<std::string>> buckets = std::vector<std::vector<std::string>>(ARRAY_BUCKETS);
    void add(const std::string &k) {
        auto &b = buckets[bucket_of_text(k)];
        b.insert(b.begin(), k);
    }
    void remove(const std::string &k) {
        auto &b = buckets[bucket_of_text(k)];
        b.erase(std::find(b.begin(), b.end(), k));
    }
    std::vector<std::string> order() const {
        std::vector<std::string> all;
        for (const auto &b : buckets) all.insert(all.end(), b.begin(), b.end());
        return all;
    }
};

// Deletes and re-adds keep the order of the model, below, across and above
// the size where lookups go through the side index; so do deletes during a
// scan and deleting every element.
TEST_F(Arrays, ScanOrderFollowsTheChainsThroughDeletesAndReAdds) {
    for (int n : {600, 1100, 5000}) {
        std::vector<std::string> keys;
        for (int i = 0; i < n; ++i) {
            keys.push_back(std::to_string(i));
            if (i % 7 == 0) keys.push_back(std::string("k").append(std::to_string(i)));
            if (i % 11 == 0) keys.push_back(std::string("0").append(std::to_string(i)));
        }
        ScanModel model;
        auto add = [&](const std::string &k) {
            bool numeric = k[0] != 'k' && (k == "0" || k[0] != '0');
            NODE *key = numeric ? force_string(make_temp_number(std::stoi(k))) : make_temp_string(k.data(), k.size());
            *assoc_lookup(array, key) = make_number(1);
            model.add(k);
        };
        auto remove = [&](const std::string &k) {
            do_delete(array, constant(k));
            model.remove(k);
        };
        for (const std::string &k : keys) add(k);
        ASSERT_EQ(scan(array), model.order()) << n;

        for (size_t i = 0; i < keys.size(); i += 3) remove(keys[i]);
        for (size_t i = 0; i < keys.size(); i += 6) add(keys[i]);
        ASSERT_EQ(scan(array), model.order()) << n;

        std::vector<std::string> delivered;
        const std::vector<std::string> before = model.order();
        for (ScanCursor *c = assoc_scan(array); c; c = assoc_next(c)) {
            std::string k = str_of(c->subscript);
            delivered.push_back(k);
            if (k.size() % 2 == 0) remove(k);
        }
        EXPECT_EQ(delivered, before) << n;
        ASSERT_EQ(scan(array), model.order()) << n;

        for (const std::string &k : model.order()) remove(k);
        EXPECT_TRUE(scan(array).empty()) << n;
        for (size_t i = 0; i < keys.size(); i += 5) add(keys[i]);
        EXPECT_EQ(scan(array), model.order()) << n;
        for (size_t i = 0; i < keys.size(); i += 5) EXPECT_EQ(in_array(array, constant(keys[i])), 1) << keys[i];
        assoc_clear(array);
    }
}

// Deleting by number compares the key with its own bucket only: subscripts
// elsewhere that only look like numbers stay, and a numeric twin that comes
// first in the key's chain still goes instead of the element with the key's text.
TEST_F(Arrays, DeleteByNumberComparesWithinTheKeysBucketOnly) {
    constexpr int n = 3000;
    const std::string twin = padded_into_bucket_of("07", "7");
    ScanModel model;
    for (const char *k : {"x", "1e9", "0099999"}) {
        set(array, k, 0);
        model.add(k);
    }
    for (int i = 0; i < n; ++i) {
        *assoc_lookup(array, force_string(make_temp_number(i))) = make_number(i);
        model.add(std::to_string(i));
    }
    set(array, twin, 7);
    model.add(twin);
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < n; ++i) do_delete(array, force_string(make_temp_number(i)));
        for (int i = 0; i < n; ++i) {
            if (i != 7) model.remove(std::to_string(i));
        }
        model.remove(round == 0 ? twin : "7");  // the twin came first in the chain
        ASSERT_EQ(scan(array), model.order()) << round;
        for (int i = 0; i < n; ++i) {
            if (i == 7) continue;
            *assoc_lookup(array, force_string(make_temp_number(i))) = make_number(i);
            model.add(std::to_string(i));
        }
    }
}

TEST_F(Arrays, LargeTablesFindEveryElementOnce) {
    constexpr int n = 20000;  // past the point where lookups stop walking chains
    auto key = [](int i) { return "key" + std::to_string(i * 7919 % 100003); };
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < n; ++i) set(array, key(i), i);
        for (int i = 0; i < n; ++i) EXPECT_EQ((*assoc_lookup(array, constant(key(i))))->number, i);
        for (int i = 0; i < n; i += 3) do_delete(array, constant(key(i)));
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(in_array(array, constant(key(i))), i % 3 != 0) << key(i);
        }
        EXPECT_EQ(scan(array).size(), static_cast<size_t>(n - (n + 2) / 3));
        assoc_clear(array);  // the second round starts from an emptied table
        EXPECT_TRUE(scan(array).empty());
    }
}

}  // namespace
