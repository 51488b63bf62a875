// Checks a screenshot of the window, taken while it records a sine of known frequency and
// amplitude, against what the panels must show for that tone.
//   screenshot_check SHOT.ppm CLIENT_X CLIENT_Y FREQUENCY AMPLITUDE RATE
// Coordinates below are in the window's client area: level panel at (20, 90), 340 x 20;
// waveform at (20, 120), 340 x 40; spectrum at (20, 170), 340 x 40.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb kGreen{0, 200, 0};
constexpr Rgb kBlue{0, 150, 255};
constexpr Rgb kGrey{180, 180, 180};
constexpr Rgb kOrange{220, 120, 60};
constexpr Rgb kRed{255, 40, 40};
constexpr int kPanelLeft = 20;
constexpr int kWidth = 340;

int failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    failures += ok ? 0 : 1;
}

struct Screen {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bytes;
    int originX = 0;
    int originY = 0;

    Rgb at(int x, int y) const {
        const std::size_t i =
            (static_cast<std::size_t>(originY + y) * static_cast<std::size_t>(width) +
             static_cast<std::size_t>(originX + x)) *
            3;
        return {bytes[i], bytes[i + 1], bytes[i + 2]};
    }
};

bool readPpm(const char* path, Screen& screen) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> screen.width >> screen.height >> maxValue;
    in.get();
    if (!in || magic != "P6" || maxValue != 255) {
        return false;
    }
    screen.bytes.resize(static_cast<std::size_t>(screen.width) * screen.height * 3);
    in.read(reinterpret_cast<char*>(screen.bytes.data()),
            static_cast<std::streamsize>(screen.bytes.size()));
    return static_cast<bool>(in);
}

// 16-bit samples of the tone reach amplitude x 32767; their RMS is that over the square root
// of 2, and the level is the RMS over 32768 as a fraction of the bar's 340 pixels.
void checkLevelBar(const Screen& screen, double amplitude) {
    const int expected = static_cast<int>(kWidth * amplitude * 32767.0 / std::sqrt(2.0) / 32768.0);
    bool rowsAgree = true;
    int length = -1;
    for (int y = 90; y < 110; ++y) {
        int run = 0;
        while (run < kWidth && screen.at(kPanelLeft + run, y) == kGreen) {
            ++run;
        }
        for (int x = run; x < kWidth; ++x) {
            rowsAgree = rowsAgree && !(screen.at(kPanelLeft + x, y) == kGreen);
        }
        rowsAgree = rowsAgree && (length < 0 || run == length);
        length = run;
    }
    check(rowsAgree, "the level bar is one green block from the panel's left edge, full height");
    check(std::abs(length - expected) <= 2, "level bar " + std::to_string(length) +
                                                " pixels long, expected " +
                                                std::to_string(expected) + " +-2");
}

// With a full history of 65,536 samples the trace shows every 192nd sample, one per column: the
// tone is sampled at rate / 192, so the trace is a sine of the fractional part of
// frequency x 192 / rate cycles per column (its alias), at the tone's amplitude, phase unknown.
void checkWaveform(const Screen& screen, double frequency, double amplitude, double rate) {
    const int mid = 140;
    const double cycles = frequency * 192.0 / rate;
    const double perColumn = cycles - std::floor(cycles);
    const double peak = amplitude * 32767.0;
    std::vector<std::set<int>> blueRows(kWidth);
    int top = 1000;
    int bottom = -1;
    for (int x = 0; x < kWidth; ++x) {
        for (int y = 120; y < 160; ++y) {
            if (screen.at(kPanelLeft + x, y) == kBlue) {
                blueRows[static_cast<std::size_t>(x)].insert(y);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    // Full scale reaches 20 pixels (half the panel) from the centre line.
    const int reach = static_cast<int>(peak * 20.0 / 32768.0);
    check(std::abs((mid - top) - reach) <= 1 && std::abs((bottom - mid) - reach) <= 1,
          "trace reaches " + std::to_string(mid - top) + " above and " +
              std::to_string(bottom - mid) + " below the centre, expected " +
              std::to_string(reach));

    // The last column's point is the end of a line, which GDI leaves out.
    int best = 0;
    for (int step = 0; step < 720; ++step) {
        const double phase = step * 3.14159265358979 / 360.0;
        int matched = 0;
        for (int k = 0; k < kWidth - 1; ++k) {
            const double sample = peak * std::sin(phase + 2.0 * 3.14159265358979 * perColumn * k);
            const int y = mid - static_cast<int>(sample * 20.0 / 32768.0);
            const std::set<int>& rows = blueRows[static_cast<std::size_t>(k)];
            matched += rows.count(y - 1) + rows.count(y) + rows.count(y + 1) > 0 ? 1 : 0;
        }
        best = std::max(best, matched);
    }
    check(best >= (kWidth - 1) * 9 / 10, "trace follows a sine of " + std::to_string(perColumn) +
                                             " cycles per column in " + std::to_string(best) +
                                             " of 339 columns");

    // Where the trace does not cover it, the centre line is dotted: grey about half the time.
    int free = 0;
    int dotted = 0;
    for (int x = 0; x < kWidth; ++x) {
        if (blueRows[static_cast<std::size_t>(x)].count(mid) == 0) {
            ++free;
            dotted += screen.at(kPanelLeft + x, mid) == kGrey ? 1 : 0;
        }
    }
    check(free > 100 && dotted * 10 >= free * 4 && dotted * 10 <= free * 6,
          "dotted centre line: " + std::to_string(dotted) + " grey of " + std::to_string(free) +
              " columns free of the trace");
}

// The label's red, or red blended into the background at a glyph's edge; not the orange curve.
bool reddish(const Rgb& c) {
    return c.r > 150 && c.g < 110 && c.b < 110;
}

// The tone falls in bin frequency x 65,536 / rate of the 32,768; the marker scales that bin to
// the 340 columns and a two-pixel pen covers the column before it too. Averaging 96 bins per
// column leaves even the tone's group a few percent high, so, as every average is above 0, the
// curve runs one row above its lowest (top + 37 of 40) except perhaps at the tone's column.
void checkSpectrum(const Screen& screen, double frequency, double rate) {
    const long bin = std::lround(frequency * 65536.0 / rate);
    const int marker = static_cast<int>(kWidth * bin / 32768);
    const int group = static_cast<int>(bin / 96);
    const int top = 170;
    const int floorRow = top + 37;

    bool markerWhole = true;
    bool markerNarrow = true;
    for (int y = top; y < top + 40; ++y) {
        markerWhole = markerWhole && screen.at(kPanelLeft + marker - 1, y) == kRed &&
                      screen.at(kPanelLeft + marker, y) == kRed;
        markerNarrow = markerNarrow && !(screen.at(kPanelLeft + marker - 2, y) == kRed) &&
                       !(screen.at(kPanelLeft + marker + 1, y) == kRed);
    }
    check(markerWhole, "red marker over the whole height at columns " + std::to_string(marker - 1) +
                           " and " + std::to_string(marker) + " (bin " + std::to_string(bin) + ")");
    check(markerNarrow, "the marker is two pixels wide");

    int floorColumns = 0;
    int onFloor = 0;
    int strayOrange = 0;
    for (int x = 0; x < kWidth - 1; ++x) {
        const bool nearTone = std::abs(x - group) <= 2 || std::abs(x - marker) <= 2;
        if (!nearTone) {
            ++floorColumns;
            onFloor += screen.at(kPanelLeft + x, floorRow) == kOrange ? 1 : 0;
        }
        for (int y = top; y < top + 40; ++y) {
            strayOrange += y != floorRow && !nearTone && screen.at(kPanelLeft + x, y) == kOrange;
        }
    }
    check(onFloor * 100 >= floorColumns * 95, "curve on row top + 37 in " +
                                                  std::to_string(onFloor) + " of " +
                                                  std::to_string(floorColumns) + " columns");
    check(strayOrange <= 3, std::to_string(strayOrange) +
                                " curve pixels off that row away from "
                                "the tone");

    // The label starts at (right - 120, top + 2) = (240, 172) and nothing red lies between the
    // marker and it.
    int left = 1000;
    int upper = 1000;
    int glyphPixels = 0;
    int between = 0;
    for (int y = top; y < top + 40; ++y) {
        for (int x = marker + 2; x < kWidth; ++x) {
            if (!reddish(screen.at(kPanelLeft + x, y))) {
                continue;
            }
            if (x < 220) {
                ++between;
                continue;
            }
            ++glyphPixels;
            left = std::min(left, kPanelLeft + x);
            upper = std::min(upper, y);
        }
    }
    check(glyphPixels >= 30 && left >= 240 && left <= 243 && upper >= 172 && upper <= 178,
          "label text from (" + std::to_string(left) + ", " + std::to_string(upper) +
              "), expected near (240, 172)");
    check(between == 0, "nothing red between the marker and the label");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s SHOT.ppm CLIENT_X CLIENT_Y FREQUENCY AMPLITUDE RATE\n",
                     argv[0]);
        return 2;
    }
    Screen screen;
    if (!readPpm(argv[1], screen)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    screen.originX = std::atoi(argv[2]);
    screen.originY = std::atoi(argv[3]);
    if (screen.originX < 0 || screen.originY < 0 || screen.originX + 360 > screen.width ||
        screen.originY + 210 > screen.height) {
        std::fprintf(stderr, "the window is not on the screen\n");
        return 2;
    }
    const double frequency = std::atof(argv[4]);
    const double amplitude = std::atof(argv[5]);
    const double rate = std::atof(argv[6]);
    checkLevelBar(screen, amplitude);
    checkWaveform(screen, frequency, amplitude, rate);
    checkSpectrum(screen, frequency, rate);
    return failures == 0 ? 0 : 1;
}
