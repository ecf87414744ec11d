// Generation is deterministic, and the run directory holds what the current generator makes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "tests/assetgen/DataFiles.h"
#include "tools/assetgen/AssetSet.h"

using namespace assetgen_test;

namespace {

TEST(Generation, WritesTheSameBytesAsTheBuildDid) {
    const std::filesystem::path fresh =
        std::filesystem::temp_directory_path() / ("assetgen-test-" + std::to_string(::getpid()));
    std::filesystem::remove_all(fresh);
    assetgen::generateAll(fresh.string());
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(fresh)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        const auto relative = std::filesystem::relative(entry.path(), fresh);
        EXPECT_TRUE(readFile(entry.path()) == readFile(runDir() / relative)) << relative;
    }
    EXPECT_EQ(files, 29u + 3u + 2u) << "pictures, sounds and music, font and licence";
    std::filesystem::remove_all(fresh);
}

} // namespace
