#include <quenlar/gfx/gllayer.h>

#include <quenlar/gfx/pixel_private.h>

#include <gtest/gtest.h>

namespace {
SDL_Surface *Make(int w, int h) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
}
Uint32 At(SDL_Surface *s, int x, int y) {
    return qnl::ReadRawPixel(s, x, y);
}

// A 3 x 2 source: p q r / s t u.
SDL_Surface *Source() {
    SDL_Surface *s = Make(3, 2);
    const Uint32 v[2][3] = {{0x000001, 0x000002, 0x000003}, {0x000004, 0x000005, 0x000006}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            qnl::WriteRawPixel(s, x, y, v[y][x]);
    return s;
}
} // namespace

TEST(TextureLayer, UploadMarksTheSurfaceUntilItIsFreed) {
    SDL_Surface *s = Make(2, 2);
    EXPECT_EQ(0, qnl::gl::IsTexture(s));
    const unsigned before = qnl::gl::UploadCount();
    EXPECT_EQ(1, qnl::gl::Upload(s));
    EXPECT_EQ(1, qnl::gl::Upload(s)); // a second upload of the same surface counts once
    EXPECT_EQ(1, qnl::gl::IsTexture(s));
    EXPECT_EQ(before + 1, qnl::gl::UploadCount());
    EXPECT_EQ(0, qnl::gl::Upload(nullptr));
    SDL_FreeSurface(s);
    SDL_Surface *fresh = Make(2, 2); // may reuse the address
    EXPECT_EQ(0, qnl::gl::IsTexture(fresh));
    SDL_FreeSurface(fresh);
}

TEST(TextureLayer, DrawsPlainMirroredScaledAndRotated) {
    SDL_Surface *src = Source();
    SDL_Surface *dst = Make(10, 10);

    qnl::gl::Transform plain;
    ASSERT_EQ(0, qnl::gl::Draw(src, nullptr, dst, 1, 1, plain));
    EXPECT_EQ(0x01u, At(dst, 1, 1));
    EXPECT_EQ(0x06u, At(dst, 3, 2));
    EXPECT_EQ(0x00u, At(dst, 4, 1));

    SDL_FillRect(dst, nullptr, 0);
    qnl::gl::Transform mirror;
    mirror.scaleX = -1;
    ASSERT_EQ(0, qnl::gl::Draw(src, nullptr, dst, 0 + 3, 0, mirror)); // x moved by the width
    EXPECT_EQ(0x03u, At(dst, 0, 0));
    EXPECT_EQ(0x01u, At(dst, 2, 0));
    EXPECT_EQ(0x04u, At(dst, 2, 1));

    SDL_FillRect(dst, nullptr, 0);
    qnl::gl::Transform twice;
    twice.scaleX = twice.scaleY = 2;
    ASSERT_EQ(0, qnl::gl::Draw(src, nullptr, dst, 0, 0, twice));
    EXPECT_EQ(0x01u, At(dst, 1, 1));
    EXPECT_EQ(0x03u, At(dst, 5, 0));
    EXPECT_EQ(0x06u, At(dst, 5, 3));
    EXPECT_EQ(0x00u, At(dst, 6, 0));

    // A quarter turn about the top-left corner, counter-clockwise on screen:
    // the first row ends up as the left column, read upwards.
    SDL_FillRect(dst, nullptr, 0);
    qnl::gl::Transform turn;
    turn.angle = 90;
    ASSERT_EQ(0, qnl::gl::Draw(src, nullptr, dst, 0, 3, turn));
    EXPECT_EQ(0x01u, At(dst, 0, 2));
    EXPECT_EQ(0x03u, At(dst, 0, 0));
    EXPECT_EQ(0x04u, At(dst, 1, 2));

    EXPECT_EQ(-1, qnl::gl::Draw(src, nullptr, src, 0, 0, plain));
    qnl::gl::Transform flat;
    flat.scaleY = 0;
    EXPECT_EQ(-1, qnl::gl::Draw(src, nullptr, dst, 0, 0, flat));
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}

TEST(TextureLayer, ColourKeyAndSourceRectangle) {
    SDL_Surface *src = Source();
    SDL_SetColorKey(src, SDL_SRCCOLORKEY, 0x000005);
    SDL_Surface *dst = Make(4, 4);
    SDL_FillRect(dst, nullptr, 0x777777);
    SDL_Rect part = {1, 0, 2, 2}; // q r / t u
    ASSERT_EQ(0, qnl::gl::Draw(src, &part, dst, 0, 0, qnl::gl::Transform()));
    EXPECT_EQ(0x02u, At(dst, 0, 0));
    EXPECT_EQ(0x777777u, At(dst, 0, 1)); // t is the key: not drawn
    EXPECT_EQ(0x06u, At(dst, 1, 1));
    EXPECT_EQ(0x777777u, At(dst, 2, 0));
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
}
