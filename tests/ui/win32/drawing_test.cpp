// The drawing helpers under Wine: text boxes at a scale, texts outside a
// paint, nested batches and a window too small to have pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include "ui/win32/paint_buffer.h"
#include "ui/win32/text_batch.h"

namespace {

struct ScaleGuard {
    double saved = dpiScale;
    explicit ScaleGuard(double scale) { dpiScale = scale; }
    ~ScaleGuard() { dpiScale = saved; }
};

} // namespace

TEST(Drawing, TextBoxesScaleWithRoundingHalfAwayFromZero)
{
    ScaleGuard scale(1.5);
    const RECT box = textBox(10, 0, 260, 22);
    EXPECT_EQ(box.left, 15);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 405);
    EXPECT_EQ(box.bottom, 33);
    const RECT half = textBox(1, 3, 2, 2);  // 1.5 -> 2, 4.5 -> 5
    EXPECT_EQ(half.left, 2);
    EXPECT_EQ(half.top, 5);
}

TEST(Drawing, TextsQueueOnTheCurrentBatchOnlyAndBatchesNest)
{
    HDC dc = CreateCompatibleDC(nullptr);
    queueText(L"dropped", 0, 0, 10, 10, 10, TextColour);  // no batch is current
    TextBatch outer, inner;
    openBatch(outer, dc);
    queueText(L"outer", 0, 0, 10, 10, 10, TextColour);
    openBatch(inner, dc);
    queueText(L"inner & more", 0, 0, 10, 10, 10, TextColour);
    ASSERT_EQ(inner.items.size(), 1u);
    flushBatch(inner);
    EXPECT_TRUE(inner.items.empty());
    queueText(L"outer again", 0, 0, 10, 10, 10, TextColour);
    ASSERT_EQ(outer.items.size(), 2u);
    EXPECT_EQ(outer.items[1].text, L"outer again");
    flushBatch(outer);
    queueText(L"dropped again", 0, 0, 10, 10, 10, TextColour);
    EXPECT_TRUE(outer.items.empty());
    DeleteDC(dc);
}

namespace {

bool painted = false;

LRESULT CALLBACK tinyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wParam, lParam);
    PaintBuffer buffer;
    openPaintBuffer(buffer, window, true);
    fillRect(buffer.graphics, Green, 0, 0, 10, 10);
    queueText(L"x", 0, 0, 10, 10, 10, TextColour);
    painted = buffer.memory != nullptr && buffer.bitmap != nullptr;
    closePaintBuffer(buffer);
    return 0;
}

} // namespace

TEST(Drawing, AZeroSizedWindowStillPaints)
{
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = tinyProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TamrelTinyTest";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, L"TamrelTinyTest", L"", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    painted = false;
    SendMessageW(window, WM_PAINT, 0, 0);
    EXPECT_TRUE(painted);
    DestroyWindow(window);
    UnregisterClassW(L"TamrelTinyTest", GetModuleHandleW(nullptr));
    Gdiplus::GdiplusShutdown(token);
}
