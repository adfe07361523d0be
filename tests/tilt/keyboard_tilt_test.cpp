#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tilt/tilt_keyboard.h"
#include "tilt/tilt_keys.h"

namespace lumo {
namespace {

double length(const Acceleration& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

Acceleration polled(KeyboardTilt& tilt) {
    Acceleration a{9, 9, 9};
    EXPECT_TRUE(tilt.poll(&a));
    return a;
}

void press(KeyboardTilt& tilt, KeyTilt direction, int times) {
    for (int i = 0; i < times; ++i) tilt.tilt(direction);
}

TEST(KeyboardTilt, StartsLyingFaceUp) {
    KeyboardTilt tilt;
    const Acceleration a = polled(tilt);
    EXPECT_EQ(a.x, 0.0);
    EXPECT_EQ(a.y, 0.0);
    EXPECT_EQ(a.z, -1.0);
}

TEST(KeyboardTilt, EachKeyTurnsFiveDegreesTheRightWay) {
    const double s = std::sin(5.0 * std::numbers::pi / 180.0);
    const double c = std::cos(5.0 * std::numbers::pi / 180.0);
    struct Case {
        KeyTilt key;
        double x, y;
    };
    for (const Case& k : {Case{KeyTilt::right, s, 0}, Case{KeyTilt::left, -s, 0}, Case{KeyTilt::forward, 0, s},
                          Case{KeyTilt::back, 0, -s}}) {
        KeyboardTilt tilt;
        tilt.tilt(k.key);
        const Acceleration a = polled(tilt);
        EXPECT_NEAR(a.x, k.x, 1e-15);
        EXPECT_NEAR(a.y, k.y, 1e-15);
        EXPECT_NEAR(a.z, -c, 1e-15);
    }
}

TEST(KeyboardTilt, StopsAtNinetyDegrees) {
    KeyboardTilt tilt;
    press(tilt, KeyTilt::right, 18);
    Acceleration a = polled(tilt);
    EXPECT_EQ(a.x, 1.0);
    EXPECT_EQ(a.z, 0.0);
    press(tilt, KeyTilt::right, 5);
    EXPECT_EQ(tilt.roll_degrees(), 90);
    tilt.tilt(KeyTilt::left);
    EXPECT_EQ(tilt.roll_degrees(), 85);  // one step back, not five

    press(tilt, KeyTilt::back, 40);
    EXPECT_EQ(tilt.pitch_degrees(), -90);
    a = polled(tilt);
    EXPECT_EQ(a.y, -1.0);  // standing on its bottom edge: upright
}

TEST(KeyboardTilt, LevelReturnsToFaceUp) {
    KeyboardTilt tilt;
    press(tilt, KeyTilt::left, 7);
    press(tilt, KeyTilt::forward, 3);
    tilt.level();
    const Acceleration a = polled(tilt);
    EXPECT_EQ(a.x, 0.0);
    EXPECT_EQ(a.y, 0.0);
    EXPECT_EQ(a.z, -1.0);
}

TEST(KeyboardTilt, StaysUnitLengthEverywhere) {
    KeyboardTilt tilt;
    press(tilt, KeyTilt::left, 18);
    press(tilt, KeyTilt::back, 18);
    for (int row = 0; row <= 36; ++row) {
        for (int column = 0; column <= 36; ++column) {
            EXPECT_NEAR(length(tilt.acceleration()), 1.0, 1e-15) << tilt.roll_degrees() << ", " << tilt.pitch_degrees();
            tilt.tilt(row % 2 == 0 ? KeyTilt::right : KeyTilt::left);
        }
        tilt.tilt(KeyTilt::forward);
    }
}

TEST(TiltKeys, ArrowsTiltHomeAndZeroLevel) {
    EXPECT_EQ(tilt_key_for(SDLK_LEFT), TiltKey::left);
    EXPECT_EQ(tilt_key_for(SDLK_RIGHT), TiltKey::right);
    EXPECT_EQ(tilt_key_for(SDLK_UP), TiltKey::forward);
    EXPECT_EQ(tilt_key_for(SDLK_DOWN), TiltKey::back);
    EXPECT_EQ(tilt_key_for(SDLK_HOME), TiltKey::level);
    EXPECT_EQ(tilt_key_for(SDLK_0), TiltKey::level);
    EXPECT_EQ(tilt_key_for(SDLK_KP_0), TiltKey::level);
    EXPECT_EQ(tilt_key_for(SDLK_a), TiltKey::none);

    KeyboardTilt tilt;
    EXPECT_FALSE(apply_tilt_key(TiltKey::none, &tilt));
    EXPECT_TRUE(apply_tilt_key(TiltKey::forward, &tilt));
    EXPECT_EQ(tilt.pitch_degrees(), 5);
    EXPECT_TRUE(apply_tilt_key(TiltKey::level, &tilt));
    EXPECT_EQ(tilt.pitch_degrees(), 0);
}

}  // namespace
}  // namespace lumo
