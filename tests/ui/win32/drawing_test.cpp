// The drawing helpers under Wine: text boxes at a scale, a batch's texts
// handed to its sink, and a window too small to have pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include "ui/win32/paint_buffer.h"
#include "ui/win32/text_batch.h"

TEST(Drawing, TextBoxesScaleWithRoundingHalfAwayFromZero)
{
    const RECT box = textBox(1.5, 10, 0, 260, 22);
    EXPECT_EQ(box.left, 15);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 405);
    EXPECT_EQ(box.bottom, 33);
    const RECT half = textBox(1.5, 1, 3, 2, 2);  // 1.5 -> 2, 4.5 -> 5
    EXPECT_EQ(half.left, 2);
    EXPECT_EQ(half.top, 5);
}

// A flush draws what its batch holds, hands each item to the sink in the
// order queued, and leaves the batch empty; another batch's texts stay its own.
TEST(Drawing, FlushedTextsReachTheSinkInOrderOnce)
{
    HDC dc = CreateCompatibleDC(nullptr);
    std::vector<std::wstring> seen;
    const TextSink sink = [&seen](const TextItem& item) { seen.push_back(item.text); };
    TextBatch batch, other;
    openBatch(batch, dc, PaintStyle{1.5, &sink});
    openBatch(other, dc, PaintStyle{1.0, nullptr});
    queueText(batch, L"first", 0, 0, 10, 10, 10, TextColour);
    queueText(other, L"elsewhere", 0, 0, 10, 10, 10, TextColour);
    queueText(batch, L"second & more", 0, 0, 10, 10, 10, Muted, true, 1);
    ASSERT_EQ(batch.items.size(), 2u);
    EXPECT_EQ(batch.items[1].colour, Muted);
    flushBatch(batch);
    EXPECT_TRUE(batch.items.empty());
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"first", L"second & more"}));
    flushBatch(batch);  // nothing twice
    flushBatch(other);  // no sink: drawn only
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_TRUE(other.items.empty());
    DeleteDC(dc);
}

namespace {

bool painted = false;

LRESULT CALLBACK tinyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcW(window, message, wParam, lParam);
    PaintBuffer buffer;
    openPaintBuffer(buffer, window, PaintStyle{}, true);
    fillRect(buffer.graphics, Green, 0, 0, 10, 10);
    queueText(buffer.texts, L"x", 0, 0, 10, 10, 10, TextColour);
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
