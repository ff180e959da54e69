// Both readers on a good picture cut short at every offset from 0 to 54,
// the whole of the two headers: each cut is refused by the routine whose
// field it falls in, nothing is handed back, and nothing is read past the
// end (the sanitizer build checks that part).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "image/image.h"
#include "image/texture.h"
#include "tests/unit/test_image_files.h"

namespace {

Bytes picture() {
    BmpBuilder b;
    b.rows = {rgbRow({1, 2, 3, 4, 5, 6}), rgbRow({7, 8, 9, 10, 11, 12})};
    return b.build();
}

// The first cut past a field's last byte is where it becomes whole.
std::string bmpRefusal(size_t cut, bool sizeTold) {
    const std::string fileEof =
        "getfileheader: Unexpected end of file.\nreadBMP: getfileheader returned a bad status.\n";
    const std::string infoEof =
        "getinfoheader: Unexpected end of file.\nreadBMP: getinfoheader returned a bad status.\n";
    if (cut < 6) return fileEof;  // bfType or bfSize short
    if (!sizeTold) return "getfileheader: Incorrect file size.\nreadBMP: getfileheader returned a bad status.\n";
    if (cut < 14) return fileEof;
    if (cut < 54) return infoEof;
    return "get24bits: Unexpected end of file.\nget24bits: Unable to get image data.\n";
}

TEST(CutHeaders, BmpReaderRefusesEveryCutInTheFieldItFallsIn) {
    const Bytes whole = picture();
    for (size_t cut = 0; cut <= 54; ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        Bytes b(whole.begin(), whole.begin() + static_cast<long>(cut));
        // As cut, bfSize still claims the whole file...
        BmpRead asCut = readBmpBytes(b);
        EXPECT_EQ(asCut.image, nullptr);
        EXPECT_EQ(asCut.messages, bmpRefusal(cut, cut < 6));
        // ...and with bfSize telling the cut length, which takes the
        // reader on into the info header.
        if (cut >= 6) {
            poke32(b, 2, static_cast<std::uint32_t>(cut));
            BmpRead told = readBmpBytes(b);
            EXPECT_EQ(told.image, nullptr);
            EXPECT_EQ(told.messages, bmpRefusal(cut, true));
        }
    }
}

TEST(CutHeaders, TextureReaderRefusesEveryCutNamingTheFile) {
    const Bytes whole = picture();
    for (size_t cut = 0; cut <= 54; ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const Bytes b(whole.begin(), whole.begin() + static_cast<long>(cut));
        FILE* stream = openBytes(b);
        TextureImage image;
        testing::internal::CaptureStdout();
        const int status = readTextureStream(stream, "rock03.bmp", &image);
        const std::string messages = testing::internal::GetCapturedStdout();
        std::fclose(stream);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(image.data, nullptr);
        std::free(image.data);
        // Bytes past the end read as 0xFF: a cut before the bit count ends
        // at the plane or bit-count test, a later one at the pixel data.
        std::string expected;
        if (cut <= 26)
            expected = "Planes from rock03.bmp is not 1: 65535\n";
        else if (cut == 27)
            expected = "Planes from rock03.bmp is not 1: 65281\n";
        else if (cut == 28)
            expected = "Bpp from rock03.bmp is not 24: 65535\n";
        else if (cut == 29)
            expected = "Bpp from rock03.bmp is not 24: 65304\n";
        else
            expected = "Error reading image data from rock03.bmp.\n";
        EXPECT_EQ(messages, expected);
    }
}

}  // namespace
