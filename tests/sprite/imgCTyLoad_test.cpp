// Depth-text loading: golden values, refused files that leave the image as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "sprite/imgRowCTy.h"
#include "sprite_bmp_support.h"
#include "sprite_test_support.h"

namespace {

std::string writeText(const TempFolder& folder, const std::string& name, const std::string& text)
{
    const std::string path = folder.file(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(ImgDepthText, ValuesBecomeFixedPointAndZeroIsMarked)
{
    resetErrors();
    TempFolder folder("sprite_depth");
    struct Case {
        const char* text;
        int width, height;
        std::vector<std::uint32_t> pels;
    };
    const Case cases[] = {
        {"2\n1\n1.5\n0\n", 2, 1, {98304, 0x8AD00000}},
        {"1\n1\n-0.25\n", 1, 1, {0xFFFFC000}},
        {"1\n1\n0.00001\n", 1, 1, {0x8AD00000}},
        {"  2 2 -32768 32767.99\t1e-3\n-1", 2, 2, {0x80000000, 0x7FFFFD80, 65, 0xFFFF0000}},
    };
    for (const Case& c : cases) {
        imgRowCTy image;
        image.LoadDepthText(writeText(folder, "depth.txt", c.text).c_str());
        ASSERT_EQ(image.width, c.width) << c.text;
        ASSERT_EQ(image.height, c.height) << c.text;
        EXPECT_EQ(image.pelFmt.kind, 10);
        EXPECT_EQ(image.pelFmt.palette, nullptr);
        for (int i = 0; i < c.width * c.height; ++i)
            EXPECT_EQ(image.PelAtXY(i % c.width, i / c.width), c.pels[static_cast<std::size_t>(i)]) << c.text << " value " << i;
    }
    EXPECT_EQ(ctyError.code, 0);
}

TEST(ImgDepthText, RefusedFilesLeaveTheImageAsItWas)
{
    TempFolder folder("sprite_depth_refused");
    const char* refused[] = {
        "",            "2\n",           "2\n1\n1.5\n",   "1\n1\nnan\n",    "1\n1\n40000.0\n",
        "1\n1\n32768\n", "1\n1\n-inf\n", "1\n1\n1.5x\n", "0\n5\n",         "-1\n1\n0\n",
        "99999999999\n1\n0\n", "65536\n65536\n0\n", "16384\n16385\n0\n", "abc\n1\n0\n", "1\n1\n1e39\n",
    };
    const imgPelFmt k1(1, nullptr);
    for (const char* text : refused) {
        imgRowCTy image;
        image.Create(1, 1, &k1);
        std::memcpy(image.pels, "\x11\x22\x33", 3);
        const std::uint8_t* before = image.pels;
        resetErrors();
        image.LoadDepthText(writeText(folder, "bad.txt", text).c_str());
        EXPECT_EQ(ctyError.code, -97) << text;
        EXPECT_EQ(ctyError.level, 4) << text;
        EXPECT_EQ(image.pels, before) << text;
        EXPECT_EQ(image.pelFmt.kind, 1) << text;
        EXPECT_EQ(image.PelAtXY(0, 0), 0x332211u) << text;
    }
    imgRowCTy image;
    resetErrors();
    image.LoadDepthText(folder.file("missing.txt").c_str());
    EXPECT_EQ(ctyError.code, -17);
    EXPECT_EQ(image.width, 0);
    image.LoadDepthText(nullptr);
    EXPECT_EQ(ctyError.code, -17);
    resetErrors();
}

}  // namespace
