// Texture files the fuzzer found faults with, kept as they were found, and
// the limits around them.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "image/texture.h"
#include "tests/unit/test_image_files.h"

namespace {

struct Verdict {
    int status;
    std::string messages;
    bool data;
};

Verdict readTexture(const Bytes& bytes) {
    FILE* stream = openBytes(bytes);
    TextureImage image;
    testing::internal::CaptureStdout();
    Verdict v{readTextureStream(stream, "rock03.bmp", &image), "", image.data != nullptr};
    v.messages = testing::internal::GetCapturedStdout();
    std::free(image.data);
    std::fclose(stream);
    return v;
}

Bytes headerWithSides(std::int32_t width, std::int32_t height) {
    BmpBuilder b;
    Bytes bytes = b.build();  // a 2 x 2 picture without rows
    poke32(bytes, 18, static_cast<std::uint32_t>(width));
    poke32(bytes, 22, static_cast<std::uint32_t>(height));
    return bytes;
}

// Two sides near INT_MAX made the padded size overflow even a long long:
// undefined behaviour that the sanitized garden stopped at, and that the
// plain one reported as a failed allocation.
TEST(TextureRegression, SidesWhosePaddedProductOverflowsAreTooLarge) {
    // As the fuzzer found it: 30 bytes, ending right after the bit count.
    const Bytes found = {0x42, 0x4d, 0x36, 0x00, 0x98, 0x00, 0x1e, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7a,
                         0x9f, 0xc4, 0xe9, 0x0e, 0x33, 0x58, 0x7d, 0xa2, 0x16, 0x3b, 0x60, 0x01, 0x00, 0x18, 0x00};
    Verdict v = readTexture(found);
    EXPECT_EQ(v.status, 0);
    EXPECT_FALSE(v.data);
    EXPECT_EQ(v.messages, "Image from rock03.bmp is too large: 2102932238 x 1614485154\n");

    v = readTexture(headerWithSides(INT_MAX, INT_MAX));
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.messages, "Image from rock03.bmp is too large: 2147483647 x 2147483647\n");
}

TEST(TextureRegression, TheLargestPaddedSizeAnIntHoldsIsStillTriedAgainstTheFile) {
    // Rows of 4 pixels take 12 bytes: 178956970 of them are 2147483640
    // bytes, within an int; one more row is not.
    Verdict v = readTexture(headerWithSides(4, INT_MAX / 12));
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.messages, "Error reading image data from rock03.bmp.\n");
    v = readTexture(headerWithSides(4, INT_MAX / 12 + 1));
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.messages, "Image from rock03.bmp is too large: 4 x 178956971\n");
}

}  // namespace
