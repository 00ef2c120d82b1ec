// The painted half of the window, through its own paint code: colours and
// texts of the header and panels, the owner-drawn buttons and list entries,
// the timeline's markers and drags, the map's clicks, and the flash of a jump
// the playback timer sees. Besides positions from the views' own geometry,
// each view is probed at pixels worked out by hand for a size the test sets.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <numbers>

#include "picture.h"
#include "playback/virtual_device.h"
#include "ui/layout.h"
#include "base/number_format.h"
#include "ui/ring_geometry.h"
#include "ui/timeline_geometry.h"
#include "window_fixture.h"

namespace {

uint32_t rgb(Argb argb)
{
    return argb & 0xFFFFFF;
}

double logicalWidth(HWND view)
{
    RECT client{};
    GetClientRect(view, &client);
    return client.right / ui().scale;
}

TimelineView timelineView()
{
    const WindowState& s = ui();
    return TimelineView{s.timeline.viewStart, s.timeline.visibleSpan, songDuration(s.doc),
                        logicalWidth(s.widgets.timeline)};
}

// The device x of song time t on the timeline.
int timelinePixel(double t)
{
    return static_cast<int>(std::lround(timelineX(timelineView(), t) * ui().scale));
}

double fieldValue(int id)
{
    return std::stod(windowText(control(id)));
}

LPARAM at(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

// Holds Alt (or nothing) in this thread's key state, as a real press would.
void holdAlt(bool down)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_MENU] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

Analysis exampleAnalysis()
{
    Analysis a;
    a.bpm = 120;
    a.bpmLow = 118.5;
    a.bpmHigh = 121.2;
    a.confidence = 0.873f;
    a.meter = 4;
    a.beats.resize(412);
    Loop loop;
    loop.bars = 8;
    loop.start = 12.5;
    loop.end = 28.75;
    loop.outro = 180;
    loop.score = 0.91;
    a.loops.push_back(loop);
    return a;
}

// The device pixel of a logical coordinate.
int px(double logical)
{
    return static_cast<int>(std::lround(logical * ui().scale));
}

// Gives a view a client area of the given logical size, so that where things
// sit in it can be worked out by hand.
void sizeView(HWND view, double width, double height)
{
    SetWindowPos(view, nullptr, 0, 0, px(width), px(height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The map sized 600 x 500 logical units: centre (0.5 * 600, 0.52 * 500) =
// (300, 260), radius max(40, min(0.43 * 500, 0.42 * 600)) = min(215, 252) = 215.
constexpr double kMapWidth = 600, kMapHeight = 500, kRingX = 300, kRingY = 260, kRingR = 215;

// Beat i of n on that map, worked out here: beat 0 at the top, clockwise, in
// device pixels.
POINT ringPixel(size_t i, size_t n)
{
    const double angle = 2 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n) - std::numbers::pi / 2;
    return POINT{px(kRingX + kRingR * std::cos(angle)), px(kRingY + kRingR * std::sin(angle))};
}

// The texts the window's owner-draw code writes for one entry of the loop list.
std::vector<TextItem> drawListEntry(UINT item, UINT state)
{
    HDC dc = CreateCompatibleDC(nullptr);
    std::vector<TextItem> texts;
    RecordedTexts recording(ui().widgets.main, texts);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_LISTBOX;
    draw.CtlID = kIdList;
    draw.itemID = item;
    draw.itemState = state;
    draw.hwndItem = control(kIdList);
    draw.hDC = dc;
    draw.rcItem = RECT{0, 0, 260, 44};
    SendMessageW(ui().widgets.main, WM_DRAWITEM, kIdList, reinterpret_cast<LPARAM>(&draw));
    DeleteDC(dc);
    return texts;
}

// The point of beat i on the map, in device pixels.
POINT beatPoint(size_t i)
{
    RECT client{};
    GetClientRect(ui().widgets.map, &client);
    const Ring ring = ringOf(client.right / ui().scale, client.bottom / ui().scale);
    const double angle = beatAngle(i, ui().doc.song.analysis.beats.size());
    return POINT{static_cast<LONG>(std::lround((ring.cx + ring.r * std::cos(angle)) * ui().scale)),
                 static_cast<LONG>(std::lround((ring.cy + ring.r * std::sin(angle)) * ui().scale))};
}

} // namespace

TEST_F(WindowTest, HeaderAndPanelsShowTheirColoursAndTexts)
{
    Picture idle = printClient(window);
    const int W = idle.width;
    EXPECT_EQ(idle.at(W / 2, 20), 0x161920u);                 // header band
    EXPECT_EQ(idle.at(5, 300), 0x0F1116u);                    // background
    EXPECT_EQ(idle.at(W - static_cast<int>(290 * ui().scale), 400), 0x13161Cu);  // loop builder panel
    // The installed model is the stand-in, and the header says so before a song.
    ASSERT_EQ(ui().doc.model, BeatModelKind::StandIn);
    for (const wchar_t* text : {L"\u2014 BPM", L"AN\u00C1LISIS R\u00CDTMICO LOCAL", L"RASTREO CL\u00C1SICO",
                                L"Rastreador de reserva incluido", L"LOOP BUILDER", L"TIMELINE  /  BEATS + COMPASES"})
        EXPECT_TRUE(idle.hasText(text)) << std::string(text, text + wcslen(text)).c_str();
    EXPECT_FALSE(idle.hasText(L"BEAT THIS!"));
    // With the trained model the texts are the network's own.
    ui().doc.model = BeatModelKind::Trained;
    const Picture trained = printClient(window);
    for (const wchar_t* text : {L"AN\u00C1LISIS NEURONAL LOCAL", L"BEAT THIS!"})
        EXPECT_TRUE(trained.hasText(text)) << std::string(text, text + wcslen(text)).c_str();
    ui().doc.model = BeatModelKind::StandIn;
    // Empty score bars with the figure 0.
    int zeros = 0;
    for (const TextItem& item : idle.texts)
        zeros += item.text == L"0" ? 1 : 0;
    EXPECT_EQ(zeros, 3);

    ui().doc.song.analysis = exampleAnalysis();
    const Picture example = printClient(window);
    for (const wchar_t* text : {L"120.0 BPM", L"118.5\u2013121.2 BPM \u00B7 tempo local", L"412 BEATS",
                                L"Probabilidad media 87% \u00B7 4 pulsos/comp\u00E1s"})
        EXPECT_TRUE(example.hasText(text)) << std::string(text, text + wcslen(text)).c_str();
    ui().doc.song = Song{};
}

TEST_F(WindowTest, ListEntriesShowACandidateAndTheManualEntry)
{
    ui().doc.song.analysis = exampleAnalysis();
    std::vector<TextItem> texts = drawListEntry(0, 0);
    const std::vector<TextItem> selected = drawListEntry(1, ODS_SELECTED);
    texts.insert(texts.end(), selected.begin(), selected.end());
    std::vector<std::wstring> seen;
    for (const TextItem& item : texts)
        seen.push_back(item.text);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"Cortes manuales", L"Arrastra A / B / final o escribe tiempos",
                                               L"8 compases   \u00B7   16.3 s", L"91%",
                                               L"12.50 \u2192 28.75   /   final 180.00"}));
    EXPECT_EQ(texts[3].colour, Green);  // the selected entry's score

    // A score may pass 1 by design; people read at most 100 %.
    ui().doc.song.analysis.loops[0].score = 1.015;
    texts = drawListEntry(1, 0);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1].text, L"100%");
    ui().doc.song = Song{};
}

TEST_F(WindowTest, ButtonsPaintTheirStates)
{
    auto centre = [](HWND button) {
        RECT r{};
        GetClientRect(button, &r);
        return POINT{r.right / 2, r.bottom / 2};
    };
    ASSERT_TRUE(loadDemo());
    EXPECT_EQ(printClient(control(kIdExport)).at(6, 6), rgb(Orange));

    HWND play = control(kIdPlay);
    const POINT c = centre(play);
    const int bar = static_cast<int>(4 * ui().scale);  // inside the left pause bar
    Picture stopped = printClient(play);
    EXPECT_EQ(stopped.at(c.x, c.y), 0x0F1816u);  // the triangle covers the middle
    command(kIdPlay);
    ASSERT_TRUE(player().state.playing.load());
    Picture playing = printClient(play);
    EXPECT_EQ(playing.at(c.x, c.y), rgb(Green));  // between the two bars
    EXPECT_EQ(playing.at(c.x - bar, c.y), 0x0F1816u);
    command(kIdStop);

    // The mode of the next start and the magnet are emphasised with a teal border.
    EXPECT_EQ(printClient(control(kIdOriginal)).at(0, 5), 0x597777u);
    EXPECT_EQ(printClient(control(kIdLoop)).at(0, 5), rgb(Line));
    EXPECT_EQ(printClient(control(kIdMagnet)).at(6, 6), 0x303A43u);

    drop(demoSong());  // busy until the load is adopted
    ASSERT_TRUE(ui().doc.view.busy);
    EXPECT_EQ(printClient(control(kIdExport)).at(6, 6), 0x423425u);
    EXPECT_EQ(printClient(play).at(6, 6), 0x1D3430u);
    ASSERT_TRUE(pumpUntil([] { return !ui().doc.view.busy; }));
}

TEST_F(WindowTest, TimelineShowsTheCutsWhereTheirTimesAre)
{
    Picture empty = printClient(ui().widgets.timeline);
    EXPECT_EQ(empty.at(empty.width / 2, empty.height / 2), 0x14181Fu);
    EXPECT_TRUE(empty.hasText(L"L\u00CDNEA DE TIEMPO  /  EST\u00C9REO"));

    ASSERT_TRUE(loadDemo());
    const double a = fieldValue(kIdFieldA), b = fieldValue(kIdFieldB), o = fieldValue(kIdFieldO);
    Picture loaded = printClient(ui().widgets.timeline);
    const int tag = static_cast<int>(3 * ui().scale);
    EXPECT_EQ(loaded.at(timelinePixel(a) + tag, tag), rgb(Green));
    EXPECT_EQ(loaded.at(timelinePixel(b) + tag, tag), rgb(Orange));
    EXPECT_EQ(loaded.at(timelinePixel(o) + tag, tag), rgb(Lilac));
    const int below = static_cast<int>(158 * ui().scale);  // under both lanes, inside the loop region
    EXPECT_GT(countInRow(loaded, below, 0x162928), (timelinePixel(b) - timelinePixel(a)) / 2);
    EXPECT_TRUE(loaded.hasText(L"L"));
    EXPECT_TRUE(loaded.hasText(toWide(formatClock(0))));
    EXPECT_TRUE(loaded.hasText(toWide(formatClock(songDuration(ui().doc)))));
    // The whole demo song is under 180 s wide, so the bars are numbered.
    EXPECT_TRUE(loaded.hasText(L"1"));

    // A field with letters puts its marker at 0 s and leaves the others be.
    type(kIdFieldB, L"abc");
    Picture letters = printClient(ui().widgets.timeline);
    EXPECT_EQ(letters.at(timelinePixel(0) + tag, tag), rgb(Orange));
    EXPECT_EQ(letters.at(timelinePixel(o) + tag, tag), rgb(Lilac));
    EXPECT_EQ(countInRow(letters, below, 0x162928), 0);
}

TEST_F(WindowTest, DraggingAPastBWritesBeatTimesAndLeavesTheCandidate)
{
    ASSERT_TRUE(loadDemo());
    ASSERT_TRUE(ui().doc.magnet);
    ASSERT_EQ(selection(), 1);
    const double b = fieldValue(kIdFieldB);
    HWND timeline = ui().widgets.timeline;
    SendMessageW(timeline, WM_LBUTTONDOWN, MK_LBUTTON, at(timelinePixel(fieldValue(kIdFieldA)), 80));
    ASSERT_TRUE(ui().timeline.dragging);
    EXPECT_EQ(ui().timeline.dragField, *cutFieldOf(kIdFieldA));
    EXPECT_EQ(GetCapture(), timeline);
    for (double t : {b - 2, b + 0.3, b + 4.1}) {
        SendMessageW(timeline, WM_MOUSEMOVE, MK_LBUTTON, at(timelinePixel(t), 80));
        const double written = fieldValue(kIdFieldA);
        // The magnet writes the time of the nearest beat, with 6 decimals.
        bool onBeat = false;
        for (const Beat& beat : ui().doc.song.analysis.beats)
            onBeat |= text(kIdFieldA) == toWide(formatFixed(beat.time, 6));
        EXPECT_TRUE(onBeat) << written;
        EXPECT_NEAR(written, t, 0.6);
    }
    SendMessageW(timeline, WM_LBUTTONUP, 0, at(timelinePixel(b + 4.1), 80));
    EXPECT_FALSE(ui().timeline.dragging);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_GT(fieldValue(kIdFieldA), b);
    EXPECT_EQ(selection(), 0);  // written by hand now
    // A past B: no loop region is drawn.
    EXPECT_EQ(countInRow(printClient(timeline), static_cast<int>(158 * ui().scale), 0x162928), 0);
    // Moving the mouse after the release writes nothing.
    const std::wstring kept = text(kIdFieldA);
    SendMessageW(timeline, WM_MOUSEMOVE, 0, at(timelinePixel(b - 5), 80));
    EXPECT_EQ(text(kIdFieldA), kept);
}

TEST_F(WindowTest, TimelineClicksGrabTheNearestMarkerOrSeek)
{
    ASSERT_TRUE(loadDemo());
    command(kIdMagnet);  // off: the fields take the mouse's time
    HWND timeline = ui().widgets.timeline;
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        double click;
        WPARAM keys;
        bool alt;
        int field;  // 0: a seek
    } cases[] = {
        {L"10", L"10.2", 10.1, 0, false, kIdFieldB},        // both in reach: B
        {L"10", L"30", 60, MK_SHIFT, false, kIdFieldA},     // Shift grabs A anywhere
        {L"10", L"30", 10, MK_CONTROL, false, kIdFieldB},   // Ctrl grabs B even on A
        {L"10", L"30", 60, 0, true, kIdFieldO},             // Alt grabs O anywhere
        {L"10", L"30", 50, 0, false, 0},                    // away from the markers: a seek
    };
    for (const Case& c : cases) {
        type(kIdFieldA, c.a);
        type(kIdFieldB, c.b);
        type(kIdFieldO, L"80");
        const std::wstring before[3] = {text(kIdFieldA), text(kIdFieldB), text(kIdFieldO)};
        ui().doc.view.playhead = 0;
        holdAlt(c.alt);
        SendMessageW(timeline, WM_LBUTTONDOWN, MK_LBUTTON | c.keys, at(timelinePixel(c.click), 80));
        holdAlt(false);
        SendMessageW(timeline, WM_LBUTTONUP, 0, at(timelinePixel(c.click), 80));
        if (c.field == 0) {
            EXPECT_NEAR(ui().doc.view.playhead, c.click, 0.2) << c.click;
            EXPECT_EQ(text(kIdFieldA), before[0]);
            EXPECT_EQ(text(kIdFieldB), before[1]);
            EXPECT_EQ(text(kIdFieldO), before[2]);
        } else {
            EXPECT_EQ(ui().timeline.dragField, *cutFieldOf(c.field)) << c.click;
            EXPECT_NEAR(fieldValue(c.field), c.click, 0.2) << c.click;
            EXPECT_EQ(ui().doc.view.playhead, 0) << c.click;
        }
    }
}

TEST_F(WindowTest, TimelineDrawsAndHitsWhereTheArithmeticPutsThem)
{
    ASSERT_TRUE(loadDemo());
    command(kIdMagnet);  // off: the fields take the mouse's own time
    ASSERT_FALSE(ui().doc.magnet);
    HWND timeline = ui().widgets.timeline;
    RECT client{};
    GetClientRect(timeline, &client);
    SetWindowPos(timeline, nullptr, 0, 0, px(520), client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(timeline, &client);
    ASSERT_EQ(client.right, px(520));
    // 520 units wide: the plot runs from 10 to 510, 500 units for the 25 s
    // from 20 s on, 20 units a second, so x(t) = 10 + (t - 20) * 20:
    // A 25 s -> 110, B 31.5 s -> 240, FINAL 40 s -> 410, playhead 43 s -> 470.
    ui().timeline.viewStart = 20;
    ui().timeline.visibleSpan = 25;
    auto setCuts = [this] {
        type(kIdFieldA, L"25");
        type(kIdFieldB, L"31.5");
        type(kIdFieldO, L"40");
        ui().doc.view.playhead = 43;
    };
    setCuts();
    const struct {
        const char* label;
        double x;
        double tag;  // the label's width
        uint32_t colour;
    } markers[] = {{"A", 110, 18, rgb(Green)}, {"B", 240, 18, rgb(Orange)}, {"FINAL", 410, 40, rgb(Lilac)}};
    const int top = px(1);  // above the bar numbers and the labels' letters
    Picture picture = printClient(timeline);
    for (const auto& m : markers) {
        EXPECT_EQ(picture.at(px(m.x + 1), top), m.colour) << m.label;
        EXPECT_EQ(picture.at(px(m.x + m.tag - 2), top), m.colour) << m.label;
        EXPECT_NE(picture.at(px(m.x - 2), top), m.colour) << m.label;
        EXPECT_NE(picture.at(px(m.x + m.tag + 1), top), m.colour) << m.label;
    }
    const int lane = px(50);
    EXPECT_EQ(picture.at(px(470), lane), 0xF5F5F8u);
    EXPECT_NE(picture.at(px(467), lane), 0xF5F5F8u);
    EXPECT_NE(picture.at(px(473), lane), 0xF5F5F8u);
    // The loop region fills from A to B, under both lanes; only beat lines cross it.
    const int below = px(158);
    int region = 0, first = picture.width, last = -1;
    for (int x = 0; x < picture.width; ++x)
        if (picture.at(x, below) == 0x162928u) {
            ++region;
            first = std::min(first, x);
            last = std::max(last, x);
        }
    EXPECT_GE(first, px(110));
    EXPECT_LT(last, px(240));
    EXPECT_GT(region, px(100));

    // Presses at hand-picked x: within 9 units of a marker grab it and write
    // the time under the mouse, t(x) = 20 + (x - 10) / 20; farther away they seek.
    const struct {
        double x;
        int field;  // 0: a seek
        const wchar_t* written;
        double seekTo;
    } presses[] = {
        {110, kIdFieldA, L"25.000000", 0},   // on A
        {248, kIdFieldB, L"31.900000", 0},   // 8 units right of B
        {402, kIdFieldO, L"39.600000", 0},   // 8 units left of FINAL
        {400, 0, nullptr, 39.5},             // 10 units left of FINAL: out of reach
        {330, 0, nullptr, 36},               // between the markers
    };
    for (const auto& p : presses) {
        setCuts();
        const std::wstring before[3] = {text(kIdFieldA), text(kIdFieldB), text(kIdFieldO)};
        SendMessageW(timeline, WM_LBUTTONDOWN, MK_LBUTTON, at(px(p.x), px(80)));
        SendMessageW(timeline, WM_LBUTTONUP, 0, at(px(p.x), px(80)));
        if (p.field == 0) {
            EXPECT_NEAR(ui().doc.view.playhead, p.seekTo, 1e-9) << p.x;
            EXPECT_EQ(text(kIdFieldA), before[0]) << p.x;
            EXPECT_EQ(text(kIdFieldB), before[1]) << p.x;
            EXPECT_EQ(text(kIdFieldO), before[2]) << p.x;
        } else {
            EXPECT_EQ(text(p.field), p.written) << p.x;
            EXPECT_EQ(ui().doc.view.playhead, 43) << p.x;
        }
    }

    // Dragging A from 110 to 150 writes 20 + 140 / 20 = 27 s, and A's tag follows.
    setCuts();
    SendMessageW(timeline, WM_LBUTTONDOWN, MK_LBUTTON, at(px(110), px(80)));
    SendMessageW(timeline, WM_MOUSEMOVE, MK_LBUTTON, at(px(150), px(80)));
    SendMessageW(timeline, WM_LBUTTONUP, 0, at(px(150), px(80)));
    EXPECT_EQ(text(kIdFieldA), L"27.000000");
    picture = printClient(timeline);
    EXPECT_EQ(picture.at(px(151), top), rgb(Green));
    EXPECT_NE(picture.at(px(148), top), rgb(Green));
    EXPECT_NE(picture.at(px(111), top), rgb(Green));
}

TEST_F(WindowTest, WheelAndButtonsZoomTheTimeline)
{
    ASSERT_TRUE(loadDemo());
    const double duration = songDuration(ui().doc);
    SendMessageW(ui().widgets.timeline, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_NEAR(ui().timeline.visibleSpan, duration * 2 / 3, 1e-9);
    EXPECT_NEAR(ui().timeline.viewStart, duration / 6, 1e-9);
    for (int i = 0; i < 20; ++i)
        command(kIdZoomIn);
    EXPECT_DOUBLE_EQ(ui().timeline.visibleSpan, 0.8);
    for (int i = 0; i < 20; ++i)
        SendMessageW(ui().widgets.timeline, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_DOUBLE_EQ(ui().timeline.visibleSpan, duration);
    EXPECT_DOUBLE_EQ(ui().timeline.viewStart, 0);
}

TEST_F(WindowTest, MapClicksSeekAndHoverHighlights)
{
    Picture empty = printClient(ui().widgets.map);
    EXPECT_TRUE(empty.hasText(L"Escucha la estructura"));
    EXPECT_TRUE(empty.hasText(ui().map.caption));

    ASSERT_TRUE(loadDemo());
    const auto& beats = ui().doc.song.analysis.beats;
    ASSERT_GT(beats.size(), 40u);
    HWND map = ui().widgets.map;
    const size_t target = beats.size() / 3;
    const POINT p = beatPoint(target);
    SendMessageW(map, WM_MOUSEMOVE, 0, at(p.x, p.y));
    EXPECT_EQ(ui().map.hoveredBeat, static_cast<int32_t>(target));
    SendMessageW(map, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(ui().map.hoveredBeat, -1);
    SendMessageW(map, WM_LBUTTONDOWN, MK_LBUTTON, at(p.x, p.y));
    EXPECT_DOUBLE_EQ(ui().doc.view.playhead, beats[target].time);
    const Picture seeked = printClient(map);
    EXPECT_TRUE(seeked.hasText(L"BEAT " + std::to_wstring(target + 1) + L" / " + std::to_wstring(beats.size())));
    SendMessageW(map, WM_LBUTTONDBLCLK, MK_LBUTTON, at(p.x, p.y));
    EXPECT_EQ(text(kIdFieldA), toWide(formatFixed(beats[target].time, 6)));
    EXPECT_EQ(selection(), 0);
    // The centre of the ring hits nothing.
    RECT client{};
    GetClientRect(map, &client);
    SendMessageW(map, WM_LBUTTONDOWN, MK_LBUTTON, at(client.right / 2, client.bottom / 2));
    EXPECT_DOUBLE_EQ(ui().doc.view.playhead, beats[target].time);
}

TEST_F(WindowTest, MapBeatsAndHitsSitWhereTheArithmeticPutsThem)
{
    ASSERT_TRUE(loadDemo());
    const auto& beats = ui().doc.song.analysis.beats;
    const size_t n = beats.size();
    ASSERT_GT(n, 40u);
    HWND map = ui().widgets.map;
    sizeView(map, kMapWidth, kMapHeight);
    RECT client{};
    GetClientRect(map, &client);
    ASSERT_EQ(client.right, px(kMapWidth));
    ASSERT_EQ(client.bottom, px(kMapHeight));
    // Centre (300, 260), radius 215: the top is (300, 45), 3 o'clock
    // (515, 260), the bottom (300, 475), 9 o'clock (85, 260). A point k
    // quarter turns round from the top lies k * n / 4 beats on, and hits the
    // nearest beat, halves away from zero.
    const auto quarter = [n](long k) { return static_cast<size_t>(std::lround(static_cast<double>(n) * k / 4)) % n; };
    const struct {
        double x, y;
        size_t beat;
        double alongX, alongY;  // the ring's direction there
    } points[] = {
        {300, 45, 0, 1, 0},
        {515, 260, quarter(1), 0, 1},
        {300, 475, quarter(2), -1, 0},
        {85, 260, quarter(3), 0, -1},
    };
    for (const auto& p : points) {
        SendMessageW(map, WM_MOUSEMOVE, 0, at(px(p.x), px(p.y)));
        EXPECT_EQ(ui().map.hoveredBeat, static_cast<int32_t>(p.beat)) << p.x << "," << p.y;
        SendMessageW(map, WM_MOUSELEAVE, 0, 0);
        SendMessageW(map, WM_LBUTTONDOWN, MK_LBUTTON, at(px(p.x), px(p.y)));
        EXPECT_DOUBLE_EQ(ui().doc.view.playhead, beats[p.beat].time) << p.beat;
        // The current beat's 8-unit orange dot sits on its point; the
        // neighbouring beats lie 2 * pi * 215 / n units away along the ring
        // (7 for 193 beats), so a dot one beat off misses it.
        const POINT dot = ringPixel(p.beat, n);
        const Picture picture = printClient(map);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                EXPECT_EQ(picture.at(dot.x + dx, dot.y + dy), rgb(Orange)) << p.beat;
        for (double side : {-6.0, 6.0})
            EXPECT_NE(picture.at(dot.x + px(side * p.alongX), dot.y + px(side * p.alongY)), rgb(Orange)) << p.beat;
    }
    // Beat 0's point is the top itself.
    EXPECT_EQ(ringPixel(0, n).x, px(300));
    EXPECT_EQ(ringPixel(0, n).y, px(45));

    // The hit band reaches 24 units either side of the ring; the slot just
    // before the top belongs to beat 0.
    const struct {
        double x, y;
        int32_t beat;
    } hits[] = {
        {515 + 23, 260, static_cast<int32_t>(quarter(1))},  // 238 from the centre
        {515 + 26, 260, -1},
        {515 - 23, 260, static_cast<int32_t>(quarter(1))},
        {515 - 26, 260, -1},
        {298, 45, 0},
        {300, 260, -1},
    };
    for (const auto& h : hits) {
        SendMessageW(map, WM_MOUSEMOVE, 0, at(px(h.x), px(h.y)));
        EXPECT_EQ(ui().map.hoveredBeat, h.beat) << h.x << "," << h.y;
    }
}

TEST_F(WindowTest, MapFlashesAJumpTheTimerSeesFor800Milliseconds)
{
    ASSERT_TRUE(loadDemo());
    const Analysis& analysis = ui().doc.song.analysis;
    const size_t n = analysis.beats.size();
    HWND map = ui().widgets.map;
    sizeView(map, kMapWidth, kMapHeight);
    // A sound output whose clock the test moves: it plays up to stallAt and
    // holds there, and `heard` is the frame whose position the audio thread
    // published last.
    auto device = std::make_shared<VirtualDevice>();
    device->stallAt.store(0);
    auto heard = std::make_shared<std::atomic<uint64_t>>(0);
    device->onWait = [heard](uint64_t clock) { heard->store(clock); };
    running.player.makeOutput = [device] { return virtualOutput(device); };
    ui().doc.view.playhead = 31.0;
    command(kIdExplore);
    command(kIdPlay);
    ASSERT_TRUE(player().state.playing.load());

    // The walk is seeded, so its first jump comes at the same beat on every
    // run. Steps of 2000 frames, far less than a beat, with a timer tick after
    // each, as the playback timer follows a real playback.
    uint64_t jumpedAt = 0;
    for (uint64_t frames = 2000; frames <= 60 * 48000 && ui().map.jumpFrom < 0; frames += 2000) {
        device->stallAt.store(frames);
        ASSERT_TRUE(eventually([&] { return heard->load() >= frames; })) << frames;
        clockMs += 42;
        SendMessageW(window, WM_TIMER, kPlaybackTimer, 0);
        jumpedAt = clockMs;
    }
    ASSERT_GE(ui().map.jumpFrom, 0) << "no jump in a minute of INFINITO";
    const int32_t from = ui().map.jumpFrom, to = ui().map.jumpTo;
    // The walk only jumps along the song's connections.
    bool connected = false;
    for (const Connection& c : analysis.connections)
        connected |= c.from == from && c.to == to;
    EXPECT_TRUE(connected) << from << " -> " << to;

    // The curve from beat `from` to beat `to` with both control points at the
    // centre C, at a fifth of its way: 0.512 * from + 0.48 * C + 0.008 * to,
    // where the centre disc does not cover it.
    const POINT a = ringPixel(static_cast<size_t>(from), n), b = ringPixel(static_cast<size_t>(to), n);
    const double cx = kRingX * ui().scale, cy = kRingY * ui().scale;
    const POINT probe{static_cast<LONG>(std::lround(cx + 0.512 * (a.x - cx) + 0.008 * (b.x - cx))),
                      static_cast<LONG>(std::lround(cy + 0.512 * (a.y - cy) + 0.008 * (b.y - cy)))};
    auto bright = [&] {
        const Picture picture = printClient(map);
        int count = 0;
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const uint32_t c = picture.at(probe.x + dx, probe.y + dy);
                const int r = static_cast<int>(c >> 16), g = static_cast<int>((c >> 8) & 0xFF), b = static_cast<int>(c & 0xFF);
                count += r > 190 && g > 160 && b > 110 && b < 180 ? 1 : 0;
            }
        return count;
    };
    const struct {
        uint64_t after;  // ms since the tick that saw the jump
        bool shown;
    } moments[] = {{0, true}, {799, true}, {800, false}, {801, false}, {5000, false}};
    for (const auto& m : moments) {
        clockMs = jumpedAt + m.after;
        EXPECT_EQ(bright() > 0, m.shown) << m.after << " ms";
    }
    command(kIdStop);
}

TEST_F(WindowTest, ProgressBarIsADarkTrackWithAnOrangeBar)
{
    HWND progress = ui().widgets.progress;
    SendMessageW(progress, PBM_SETPOS, 50, 0);
    const Picture half = printClient(progress);
    ASSERT_EQ(half.height, toPixels(3, ui().scale));  // no edge takes rows from it
    // The control keeps a pixel of track around its bar.
    EXPECT_EQ(half.at(half.width / 4, half.height / 2), 0xF8B14Du);
    for (int y = 0; y < half.height; ++y)
        EXPECT_EQ(half.at(half.width * 3 / 4, y), 0x1D2129u) << y;
    SendMessageW(progress, PBM_SETPOS, 0, 0);
}
