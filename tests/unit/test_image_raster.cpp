#include <gtest/gtest.h>

#include "image/image.h"

#include <cmath>
#include <cstdlib>
#include <limits>

TEST(RasterImage, NewRasterIsOpaqueBlackWithMethodZero) {
    RasterImage image(2, 3);
    EXPECT_EQ(image.width_, 2);
    EXPECT_EQ(image.height_, 3);
    EXPECT_EQ(image.pixelCount_, 6);
    EXPECT_EQ(image.samplingMethod_, 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(image.pixels[i], Pixel(0, 0, 0, 255));
    // An array of pixels is the RGBA byte array glDrawPixels is handed.
    static_assert(sizeof(Pixel) == 4, "pixels are packed RGBA");
    image.pixels[1] = Pixel(1, 2, 3, 4);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(image.pixels);
    EXPECT_EQ(bytes[4], 1);
    EXPECT_EQ(bytes[7], 4);
}

TEST(RasterImage, CopyOwnsItsPixelsAndStartsAtMethodZero) {
    RasterImage source(3, 2);
    source.setSamplingMethod(2);
    for (int i = 0; i < 6; ++i) source.pixels[i] = Pixel(static_cast<unsigned char>(i), 10, 20, 30);
    RasterImage copy(source);
    EXPECT_EQ(copy.width_, 3);
    EXPECT_EQ(copy.height_, 2);
    EXPECT_EQ(copy.pixelCount_, 6);
    EXPECT_EQ(copy.samplingMethod_, 0);
    EXPECT_NE(copy.pixels, source.pixels);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(copy.pixels[i], source.pixels[i]);
    copy.pixels[5] = Pixel(9, 9, 9, 9);
    EXPECT_EQ(source.pixels[5], Pixel(5, 10, 20, 30));
}

TEST(RasterImage, SamplingMethodsZeroToTwoAreAcceptedAndAllGiveOpaqueBlack) {
    RasterImage image(2, 2);
    image.pixels[0] = Pixel(200, 100, 50, 25);
    for (int method = 0; method < IMAGE_N_SAMPLING_METHODS; ++method) {
        image.setSamplingMethod(method);
        EXPECT_EQ(image.samplingMethod_, method);
        EXPECT_EQ(image.sample(PlaneVector{0, 0}), Pixel(0, 0, 0, 255));
        EXPECT_EQ(image.sample(PlaneVector{1.5, -7}), Pixel(0, 0, 0, 255));
    }
}

TEST(RasterImageDeathTest, PreconditionsStopTheProgramNamingTheExpression) {
    EXPECT_DEATH(RasterImage(0, 1), "image\\.cpp.*width_ > 0");
    EXPECT_DEATH(RasterImage(-1, 1), "width_ > 0");
    EXPECT_DEATH(RasterImage(1, 0), "height_ > 0");
    EXPECT_DEATH(RasterImage(0, 0), "width_ > 0");  // width is checked first
    EXPECT_DEATH(RasterImage(1, -5), "height_ > 0");
    // Sides whose pixel array would not fit an int's worth of bytes.
    EXPECT_DEATH(RasterImage(65536, 65536), "INT_MAX");
    EXPECT_DEATH(RasterImage(std::numeric_limits<int>::max(), 1), "INT_MAX");
    RasterImage image(1, 1);
    const char* sampling = "\\(method >= 0\\) && \\(method < IMAGE_N_SAMPLING_METHODS\\)";
    EXPECT_DEATH(image.setSamplingMethod(3), sampling);
    EXPECT_DEATH(image.setSamplingMethod(-1), sampling);
}

TEST(PixelArithmetic, ClampAndLuminance) {
    EXPECT_EQ(clampComponent(-1), 0);
    EXPECT_EQ(clampComponent(0), 0);
    EXPECT_EQ(clampComponent(255), 255);
    EXPECT_EQ(clampComponent(256), 255);
    EXPECT_EQ(clampComponent(std::numeric_limits<int>::min()), 0);
    EXPECT_EQ(luminance(Pixel(255, 255, 255, 255)), 254);
    EXPECT_EQ(luminance(Pixel(255, 0, 0, 255)), 75);
    EXPECT_EQ(luminance(Pixel(0, 255, 0, 255)), 149);
    EXPECT_EQ(luminance(Pixel(0, 0, 255, 0)), 28);
    EXPECT_EQ(luminance(Pixel(0, 0, 0, 255)), 0);  // alpha plays no part
}

TEST(PixelArithmetic, AddAndMultiplyClampEveryComponent) {
    EXPECT_EQ(addPixels(Pixel(200, 100, 0, 255), Pixel(100, 100, 0, 255)), Pixel(255, 200, 0, 255));
    EXPECT_EQ(addPixels(Pixel(1, 2, 3, 4), Pixel(5, 6, 7, 8)), Pixel(6, 8, 10, 12));
    EXPECT_EQ(multiplyPixels(Pixel(16, 2, 0, 255), Pixel(16, 3, 255, 1)), Pixel(255, 6, 0, 255));
    EXPECT_EQ(multiplyPixels(Pixel(15, 1, 1, 17), Pixel(17, 1, 255, 15)), Pixel(255, 1, 255, 255));
}

TEST(PixelArithmetic, ScaleAndBlendRoundHalfUp) {
    EXPECT_EQ(scaleComponent(3, 0.5), 2);
    EXPECT_EQ(scaleComponent(100, 0.5), 50);
    EXPECT_EQ(scaleComponent(1, 0.49), 0);
    EXPECT_EQ(scaleComponent(200, 2.0), 255);
    EXPECT_EQ(scaleComponent(200, -1.0), 0);
    EXPECT_EQ(blendComponent(0, 255, 0.5), 128);
    EXPECT_EQ(blendComponent(10, 20, 0.0), 10);
    EXPECT_EQ(blendComponent(10, 20, 1.0), 20);
    EXPECT_EQ(blendComponent(100, 200, 2.0), 255);  // extrapolated, then clamped
    EXPECT_EQ(blendComponent(100, 0, 2.0), 0);
    EXPECT_EQ(scalePixel(Pixel(10, 20, 30, 200), 0.5), Pixel(5, 10, 15, 100));
    EXPECT_EQ(blendPixels(Pixel(0, 0, 0, 0), Pixel(255, 100, 50, 255), 0.5), Pixel(128, 50, 25, 128));
}

TEST(PixelArithmetic, RealsFarOutOfRangeClampInsteadOfOverflowing) {
    const double nan = std::nan("");
    EXPECT_EQ(scaleComponent(200, 1e300), 255);
    EXPECT_EQ(scaleComponent(200, -1e300), 0);
    EXPECT_EQ(scaleComponent(200, nan), 0);
    EXPECT_EQ(blendComponent(0, 255, 1e20), 255);
    Pixel p;
    p.set(1e300, -1e300, nan, 5e9);
    EXPECT_EQ(p, Pixel(255, 0, 0, 255));
}

TEST(PixelArithmetic, SettersTruncateAndClamp) {
    Pixel p(1, 2, 3, 77);
    p.set(255.9, -3.2, 12.7);
    EXPECT_EQ(p, Pixel(255, 0, 12, 77));
    p.set(-0.9, 0.9, 256.0, 128.99);
    EXPECT_EQ(p, Pixel(0, 0, 255, 128));
}

TEST(PixelArithmetic, CompositeLaysTheSecondPixelOverTheFirst) {
    Pixel below(10, 20, 30, 255);
    EXPECT_EQ(compositePixels(below, Pixel(200, 150, 100, 255)), Pixel(200, 150, 100, 255));
    EXPECT_EQ(compositePixels(below, Pixel(200, 150, 100, 0)), below);
    // Half cover: (q x 128/255) + (p x 127/255), alpha by the same formula.
    EXPECT_EQ(compositePixels(Pixel(0, 0, 200, 255), Pixel(200, 0, 0, 128)), Pixel(100, 0, 100, 191));
    // Over a transparent pixel only the top one's share remains.
    EXPECT_EQ(compositePixels(Pixel(255, 255, 255, 0), Pixel(200, 0, 0, 128)), Pixel(100, 0, 0, 64));
}

TEST(PixelArithmetic, RandomPixelDrawsAlphaFirstAndRedLast) {
    std::srand(12345);
    int draws[4];
    for (int& d : draws) d = std::rand() % 256;
    std::srand(12345);
    Pixel p = randomPixel();
    EXPECT_EQ(p, Pixel(static_cast<unsigned char>(draws[3]), static_cast<unsigned char>(draws[2]),
                       static_cast<unsigned char>(draws[1]), static_cast<unsigned char>(draws[0])));
    std::srand(12345);
    EXPECT_EQ(randomComponent(), draws[0]);
}

TEST(PlaneVector, RotationTurnsCounterclockwise) {
    PlaneVector v = PlaneVector{1, 0}.rotated(std::acos(-1.0) / 2);
    EXPECT_NEAR(v.x, 0, 1e-15);
    EXPECT_NEAR(v.y, 1, 1e-15);
    PlaneVector w = PlaneVector{3, 4}.rotated(std::acos(-1.0));
    EXPECT_NEAR(w.x, -3, 1e-14);
    EXPECT_NEAR(w.y, -4, 1e-14);
}
