#include "tests/display/panel_test.h"

#include <mutex>
#include <set>
#include <utility>

#include "state/shared_state.h"

namespace {

void expectTidy(const std::vector<standin::GdiCall>& calls) {
    std::set<HGDIOBJ> alive;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const standin::GdiCall& call = calls[i];
        EXPECT_FALSE(call.watchedMutexHeld) << "call " << i << " ran under a shared-state mutex";
        // The stand-in refuses, among others, to delete a pen still selected into the DC.
        EXPECT_TRUE(call.succeeded) << "call " << i << " failed";
        if (call.op == standin::GdiOp::createPen || call.op == standin::GdiOp::createSolidBrush) {
            alive.insert(call.object);
            EXPECT_LE(alive.size(), 1u) << "call " << i << " makes a second live pen or brush";
        }
        if (call.op == standin::GdiOp::deleteObject) {
            EXPECT_EQ(alive.erase(call.object), 1u)
                << "call " << i << " deletes an object this paint did not create";
        }
    }
    EXPECT_TRUE(alive.empty()) << "a pen or brush created by the paint was not deleted";
}

}  // namespace

void PanelTest::SetUp() {
    setHistory({});
    setSpectrum({});
    g_level = 0.0f;
    g_peakHz = 0.0f;
    standin::watchMutexes({&g_waveMutex, &g_spectrumMutex, &g_queueMutex});
}

void PanelTest::TearDown() {
    standin::watchMutexes({});
    releaseDc();
}

void PanelTest::releaseDc() {
    if (dc_ != nullptr) {
        standin::releaseMemoryDc(dc_);
        dc_ = nullptr;
    }
}

LRESULT PanelTest::paint(const PanelPainter& painter, const RECT& item, int width, int height) {
    releaseDc();
    dc_ = standin::createMemoryDc(width, height);
    width_ = width;
    height_ = height;
    const HGDIOBJ penBefore = standin::selectedPen(dc_);
    const HGDIOBJ brushBefore = standin::selectedBrush(dc_);
    const std::size_t objectsBefore = standin::liveObjectCount();
    standin::resetGdiCalls();

    const LRESULT result = painter(dc_, item);

    calls_ = standin::gdiCalls();
    expectTidy(calls_);
    EXPECT_EQ(standin::selectedPen(dc_), penBefore) << "the pen selected before was not restored";
    EXPECT_EQ(standin::selectedBrush(dc_), brushBefore);
    EXPECT_EQ(standin::liveObjectCount(), objectsBefore);
    return result;
}

LRESULT PanelTest::paint(const PanelPainter& painter, int width, int height) {
    return paint(painter, RECT{0, 0, width, height}, width, height);
}

std::size_t PanelTest::countPixels(COLORREF color) const {
    std::size_t count = 0;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            count += pixel(x, y) == color ? 1 : 0;
        }
    }
    return count;
}

std::vector<standin::GdiCall> PanelTest::callsOf(standin::GdiOp op) const {
    std::vector<standin::GdiCall> matching;
    for (const standin::GdiCall& call : calls_) {
        if (call.op == op) {
            matching.push_back(call);
        }
    }
    return matching;
}

std::vector<DrawnLine> PanelTest::linesIn(COLORREF color) const {
    std::vector<DrawnLine> lines;
    for (const standin::GdiCall& call : callsOf(standin::GdiOp::lineTo)) {
        if (call.color == color) {
            lines.push_back({call.from, call.to, call.penStyle, call.penWidth});
        }
    }
    return lines;
}

std::vector<POINT> PanelTest::movesIn(COLORREF color) const {
    std::vector<POINT> moves;
    for (const standin::GdiCall& call : callsOf(standin::GdiOp::moveToEx)) {
        if (call.color == color) {
            moves.push_back(call.to);
        }
    }
    return moves;
}

void PanelTest::setHistory(std::vector<Sample> samples) {
    std::lock_guard lock(g_waveMutex);
    g_leftHistory = std::move(samples);
}

void PanelTest::setSpectrum(std::vector<float> values) {
    std::lock_guard lock(g_spectrumMutex);
    g_spectrum = std::move(values);
}
