// The table of a drawing's objects by handle, against a standard hash map: handles numbered in
// turn, in strides that share their low bits, at random and near the top of the range.
#include "database/object_table.h"
#include <gtest/gtest.h>
#include <random>
#include <unordered_map>
#include <vector>

namespace {

using cadhost::ObjectTable;

/// The handles of a pattern: 0 in turn, 1 in strides of 16, 2 of 2^20, 3 at random, 4 near
/// the top of the range; some repeat.
std::vector<std::uint64_t> handlesOf(int pattern, std::mt19937_64& random, std::size_t count)
{
    std::vector<std::uint64_t> handles;
    for (std::size_t i = 0; i < count; ++i) {
        switch (pattern) {
        case 0: handles.push_back(0x136 + i); break;
        case 1: handles.push_back(16 * (i + 1)); break;
        case 2: handles.push_back((i + 1) << 20); break;
        case 3: handles.push_back(random() | 1); break;
        default: handles.push_back(~std::uint64_t{0} - i); break;
        }
        if (random() % 8 == 0)
            handles.push_back(handles[random() % handles.size()]);
    }
    return handles;
}

TEST(ObjectTable, FindsWhatAStandardMapFindsAndKeepsTheOrderOfAdding)
{
    for (int pattern = 0; pattern <= 4; ++pattern)
        for (std::uint64_t seed = 1; seed <= 3; ++seed) {
            SCOPED_TRACE("pattern " + std::to_string(pattern) + ", seed " + std::to_string(seed));
            std::mt19937_64 random(seed);
            const std::size_t count = seed == 1 ? 5 : 20000;
            ObjectTable table;
            if (seed == 3)
                table.reserve(count);
            std::unordered_map<std::uint64_t, std::size_t> expected;
            std::vector<std::uint64_t> added;
            for (std::uint64_t handle : handlesOf(pattern, random, count)) {
                const auto [entry, isNew] = table.insert(handle);
                ASSERT_EQ(isNew, expected.count(handle) == 0) << handle;
                ASSERT_EQ(entry->handle, handle);
                if (isNew) {
                    entry->drawOrder = added.size();
                    expected.emplace(handle, added.size());
                    added.push_back(handle);
                }
            }
            for (const auto& [handle, order] : expected) {
                const ObjectTable::Entry* found = table.find(handle);
                ASSERT_NE(found, nullptr) << handle;
                EXPECT_EQ(found->drawOrder, order);
                EXPECT_EQ(table.find(handle + 1) != nullptr, expected.count(handle + 1) != 0);
            }
            std::vector<std::uint64_t> inOrder;
            for (const ObjectTable::Entry& entry : table)
                inOrder.push_back(entry.handle);
            EXPECT_EQ(inOrder, added);
        }
}

}  // namespace
