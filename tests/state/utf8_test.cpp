#include "state/utf8.h"

#include <gtest/gtest.h>

#include "state/shared_state.h"

namespace {

// Builds a wide string from UTF-16 code units, as Windows holds a path.
std::wstring fromUtf16(std::initializer_list<char16_t> units) {
    std::wstring wide;
    for (char16_t unit : units) {
        wide.push_back(static_cast<wchar_t>(unit));
    }
    return wide;
}

TEST(Utf8FromWide, EncodesOneToThreeByteCharacters) {
    EXPECT_EQ(utf8FromWide(L"output.wav"), "output.wav");
    EXPECT_EQ(utf8FromWide(fromUtf16({u'\u00e9', u'\u20ac', u'\u65e5'})),
              "\xC3\xA9\xE2\x82\xAC\xE6\x97\xA5");
    EXPECT_EQ(utf8FromWide(fromUtf16({0x7F, 0x80, 0x7FF, 0x800, 0xFFFF})),
              "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
}

TEST(Utf8FromWide, JoinsSurrogatePairIntoFourBytes) {
    // U+1F3B5 (musical note) as UTF-16.
    EXPECT_EQ(utf8FromWide(fromUtf16({u'a', 0xD83C, 0xDFB5, u'b'})),
              "a\xF0\x9F\x8E\xB5"
              "b");
    // The highest code point, U+10FFFF.
    EXPECT_EQ(utf8FromWide(fromUtf16({0xDBFF, 0xDFFF})), "\xF4\x8F\xBF\xBF");
}

TEST(Utf8FromWide, ReplacesLoneSurrogates) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(utf8FromWide(fromUtf16({0xD83C})), replacement);
    EXPECT_EQ(utf8FromWide(fromUtf16({0xDFB5, u'x'})), replacement + "x");
    EXPECT_EQ(utf8FromWide(fromUtf16({0xD83C, 0xD83C, 0xDFB5})), replacement + "\xF0\x9F\x8E\xB5");
}

TEST(Utf8FromWide, AcceptsWholeCodePointsWhereWcharIsWide) {
    if constexpr (sizeof(wchar_t) >= 4) {
        EXPECT_EQ(utf8FromWide(std::wstring(1, static_cast<wchar_t>(0x1F3B5))), "\xF0\x9F\x8E\xB5");
        EXPECT_EQ(utf8FromWide(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
    } else {
        GTEST_SKIP() << "wchar_t holds UTF-16 code units here";
    }
}

TEST(SharedState, StartsWithTheDocumentedValues) {
    EXPECT_EQ(g_outputPath, L"output.wav");
    EXPECT_EQ(g_outputPathUtf8, "output.wav");
    EXPECT_EQ(g_sampleRate, 44100);
    EXPECT_FALSE(g_recording);
    EXPECT_FALSE(g_captureThread.joinable());
    EXPECT_FALSE(g_analysisThread.joinable());
    EXPECT_EQ(WM_SPECTRUM_READY, 0x8001u);
    EXPECT_EQ(WM_CAPTURE_DONE, 0x8002u);
    EXPECT_EQ(WM_CAPTURE_STARTED, 0x8003u);
}

}  // namespace
