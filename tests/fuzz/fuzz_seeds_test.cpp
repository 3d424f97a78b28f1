// Every kept seed of the fuzz targets (among them each input that once crashed the host) runs
// through its target's one-input function in every build.
#include "fuzz_inputs.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::vector<std::filesystem::path> seedsOf(const char* kind)
{
    std::vector<std::filesystem::path> seeds;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(FUZZ_SEEDS_DIR) / kind))
        seeds.push_back(entry.path());
    std::sort(seeds.begin(), seeds.end());
    return seeds;
}

std::string bytesOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(FuzzSeeds, EveryDrawingSeedHoldsTheReadersInvariants)
{
    const auto seeds = seedsOf("dxf");
    ASSERT_FALSE(seeds.empty());
    for (const auto& seed : seeds) {
        const std::string bytes = bytesOf(seed);
        EXPECT_EQ(fuzzing::oneDrawing(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
            << seed;
    }
}

TEST(FuzzSeeds, EveryScriptSeedHoldsTheScriptReadersInvariants)
{
    const auto seeds = seedsOf("script");
    ASSERT_FALSE(seeds.empty());
    for (const auto& seed : seeds) {
        const std::string bytes = bytesOf(seed);
        EXPECT_EQ(fuzzing::oneScript(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
            << seed;
    }
}

}  // namespace
