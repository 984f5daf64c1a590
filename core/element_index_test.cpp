#include "core/element_index.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

std::string with_prefix(std::string prefix, int i) { return prefix.append(std::to_string(i)); }

struct Pattern {
    const char *name;
    std::function<std::string(int)> key;
};

// Keys that cluster in the index (consecutive numbers, shared prefixes)
// next to keys that do not, added, removed and added again in several orders.
TEST(ElementIndex, FindsWhatIsLeftAfterAddsAndErases) {
    init_null_string();
    const Pattern patterns[] = {
        {"consecutive", [](int i) { return std::to_string(i); }},
        {"negative", [](int i) { return std::to_string(-i); }},
        {"tens", [](int i) { return std::to_string(i * 10); }},
        {"blocks", [](int i) { return std::to_string(i % 7 + 4096 * (i / 7)); }},
        {"zeros", [](int i) { return with_prefix(i % 2 ? "0" : "", i / 2); }},
        {"mixed", [](int i) { return i % 3 ? std::to_string(i) : with_prefix("k", i * 7919 % 30011); }},
    };
    constexpr int n = 12000;  // the index grows twice on the way
    for (const Pattern &p : patterns) {
        std::vector<NODE *> elements;
        NODE *no_chains = nullptr;
        ElementIndex *index = index_build(&no_chains, 1);
        for (int i = 0; i < n; ++i) {
            std::string k = p.key(i);
            NODE *e = newnode(T_ARRAY_ELEMENT);
            e->right = make_str_node(k.data(), k.size(), 0);
            elements.push_back(e);
            index_add(index, e, text_hash(k.data(), static_cast<uint32_t>(k.size())));
        }
        std::set<int> present;
        for (int i = 0; i < n; ++i) present.insert(i);
        auto check = [&](const char *phase) {
            for (int i = 0; i < n; ++i) {
                std::string k = p.key(i);
                NODE *found = index_find(index, k.data(), static_cast<uint32_t>(k.size()),
                                         text_hash(k.data(), static_cast<uint32_t>(k.size())));
                ASSERT_EQ(found, present.count(i) ? elements[i] : nullptr) << p.name << " " << phase << " " << k;
            }
        };
        auto erase = [&](int i) {
            index_erase(index, elements[i]);
            present.erase(i);
        };
        check("filled");
        for (int i = 0; i < n / 3; ++i) erase(i);
        check("oldest first");
        for (int i = n - 1; i >= 2 * n / 3; --i) erase(i);
        check("newest first");
        for (int i = n / 3 + 1; i < 2 * n / 3; i += 2) erase(i);
        check("every other");
        auto add = [&](int i) {
            const NODE *sub = elements[i]->right;
            index_add(index, elements[i], text_hash(sub->string, static_cast<uint32_t>(sub->length)));
            present.insert(i);
        };
        for (int i = 0; i < n / 3; i += 2) add(i);
        check("re-added");
        std::set<int> kept = present;
        for (int i : kept) erase(i);
        for (int i : kept) add(i);
        check("emptied and refilled");
        index_free(index);
        for (NODE *e : elements) {
            unref(e->right);
            free_node(e);
        }
    }
}

}  // namespace
