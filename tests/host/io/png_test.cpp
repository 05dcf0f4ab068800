// PNG files: what is written reads back the same through libpng; damaged files and unwritable
// places are refused without leaving files behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "lwhost/io/atomic_file.h"
#include "lwhost/io/image.h"
#include "lwhost/io/png.h"
#include "temp_dir.h"

namespace {

using lwhost::RgbImage;

TEST(PngTest, WrittenImagesReadBackByteForByteAndLeaveNoTemporaryFile) {
    const TempDir dir("png_roundtrip");
    RgbImage image(7, 5);
    for (size_t i = 0; i < image.rgb.size(); ++i) image.rgb[i] = static_cast<uint8_t>(i * 37 + 11);
    std::string error;
    ASSERT_TRUE(lwhost::writePng(dir / "a.png", image, error)) << error;
    // Writing again replaces the file whole.
    image.pixel(6, 4)[2] = 1;
    ASSERT_TRUE(lwhost::writePng(dir / "a.png", image, error)) << error;
    EXPECT_EQ(dir.files(), std::vector<std::string>{"a.png"});

    RgbImage back;
    ASSERT_TRUE(lwhost::readPng(dir / "a.png", back, error)) << error;
    EXPECT_EQ(back.width, 7);
    EXPECT_EQ(back.height, 5);
    EXPECT_EQ(back.rgb, image.rgb);

    // The host's control images save the same way.
    lwhost::Image control(3, 2, lwhost::Rgb(10, 20, 30));
    control.setPixel(2, 1, lwhost::Rgb(200, 100, 0));
    ASSERT_TRUE(lwhost::writePng(dir / "b.png", control, error)) << error;
    ASSERT_TRUE(lwhost::readPng(dir / "b.png", back, error)) << error;
    EXPECT_EQ(back.rgb, control.data());
}

TEST(PngTest, DamagedOrForeignFilesAreRefused) {
    const TempDir dir("png_damaged");
    RgbImage image(16, 16);
    std::string error;
    ASSERT_TRUE(lwhost::writePng(dir / "good.png", image, error)) << error;
    std::ifstream in(dir / "good.png", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    std::ofstream(dir / "cut.png", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::ofstream(dir / "text.png", std::ios::binary) << "not an image at all";
    // A damaged size field in the header.
    std::string huge = bytes;
    huge[16] = 0x7f;
    std::ofstream(dir / "huge.png", std::ios::binary) << huge;

    RgbImage back;
    for (const char* name : {"cut.png", "text.png", "huge.png", "missing.png"}) {
        EXPECT_FALSE(lwhost::readPng(dir / "" + name, back, error)) << name;
        EXPECT_NE(error.find(name), std::string::npos) << error;
        EXPECT_EQ(back.width, 0);
        EXPECT_TRUE(back.rgb.empty());
    }
    // A pipe is refused unopened, even one holding bytes (held open here, so nothing waits).
    ASSERT_EQ(::mkfifo((dir / "pipe.png").c_str(), 0600), 0);
    const int held = ::open((dir / "pipe.png").c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_EQ(::write(held, "not png!", 8), 8);
    EXPECT_FALSE(lwhost::readPng(dir / "pipe.png", back, error));
    EXPECT_NE(error.find("pipe.png: not a regular file"), std::string::npos) << error;
    ::close(held);
}

TEST(PngTest, UnwritablePlacesAndBadSizesFailWithoutAFile) {
    const TempDir dir("png_refused");
    std::string error;
    EXPECT_FALSE(lwhost::writePng(dir / "no/such/dir/a.png", RgbImage(2, 2), error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_FALSE(lwhost::canWriteBeside(dir / "no/such/dir/a.png", error));
    EXPECT_TRUE(lwhost::canWriteBeside(dir / "a.png", error)) << error;
    EXPECT_FALSE(lwhost::canWriteBeside(dir.path, error)) << "a directory";
    EXPECT_FALSE(lwhost::writePng(dir / "zero.png", RgbImage(0, 3), error));
    RgbImage mismatched(4, 4);
    mismatched.rgb.resize(5);
    EXPECT_FALSE(lwhost::writePng(dir / "short.png", mismatched, error));
    EXPECT_TRUE(dir.files().empty());
}

}  // namespace
