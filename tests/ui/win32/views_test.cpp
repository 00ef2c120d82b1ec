// The painted half of the window, through its own paint code: colours and
// texts of the header and panels, the owner-drawn buttons and list entries,
// the timeline's markers and drags, and the map's clicks and jump flash.
#include <cmath>
#include <memory>

#include "picture.h"
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
    HDC dc = CreateCompatibleDC(nullptr);
    std::vector<TextItem> texts;
    auto recording = std::make_unique<RecordedTexts>(window, texts);
    for (UINT item : {0u, 1u}) {
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_LISTBOX;
        draw.CtlID = kIdList;
        draw.itemID = item;
        draw.itemState = item == 1 ? ODS_SELECTED : 0;
        draw.hwndItem = control(kIdList);
        draw.hDC = dc;
        draw.rcItem = RECT{0, 0, 260, 44};
        SendMessageW(window, WM_DRAWITEM, kIdList, reinterpret_cast<LPARAM>(&draw));
    }
    recording.reset();
    DeleteDC(dc);
    std::vector<std::wstring> seen;
    for (const TextItem& item : texts)
        seen.push_back(item.text);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"Cortes manuales", L"Arrastra A / B / final o escribe tiempos",
                                               L"8 compases   \u00B7   16.3 s", L"91%",
                                               L"12.50 \u2192 28.75   /   final 180.00"}));
    EXPECT_EQ(texts[3].colour, Green);  // the selected entry's score

    // A score may pass 1 by design; people read at most 100 %.
    ui().doc.song.analysis.loops[0].score = 1.015;
    texts.clear();
    recording = std::make_unique<RecordedTexts>(window, texts);
    dc = CreateCompatibleDC(nullptr);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_LISTBOX;
    draw.CtlID = kIdList;
    draw.itemID = 1;
    draw.hwndItem = control(kIdList);
    draw.hDC = dc;
    draw.rcItem = RECT{0, 0, 260, 44};
    SendMessageW(window, WM_DRAWITEM, kIdList, reinterpret_cast<LPARAM>(&draw));
    recording.reset();
    DeleteDC(dc);
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

TEST_F(WindowTest, MapClicksSeekHoverHighlightsAndJumpsFlash)
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

    // During an INFINITO playback the timer marks a jump; the map draws it
    // for 800 ms as a bright curve through the centre.
    ui().doc.view.playhead = 31.0;
    command(kIdExplore);
    command(kIdPlay);
    ASSERT_TRUE(player().state.playing.load());
    const int32_t from = 2, to = static_cast<int32_t>(beats.size() / 2);
    const POINT start = beatPoint(static_cast<size_t>(from));
    const POINT middle{client.right / 2, static_cast<LONG>(std::lround(0.52 * client.bottom / ui().scale * ui().scale))};
    // The curve at a fifth of its way, where the centre disc does not cover it.
    const POINT probe{static_cast<LONG>(std::lround(middle.x + 0.512 * (start.x - middle.x) +
                                                    0.008 * (beatPoint(static_cast<size_t>(to)).x - middle.x))),
                      static_cast<LONG>(std::lround(middle.y + 0.512 * (start.y - middle.y) +
                                                    0.008 * (beatPoint(static_cast<size_t>(to)).y - middle.y)))};
    auto bright = [&](const Picture& picture) {
        int count = 0;
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const uint32_t c = picture.at(probe.x + dx, probe.y + dy);
                const int r = static_cast<int>(c >> 16), g = static_cast<int>((c >> 8) & 0xFF), b = static_cast<int>(c & 0xFF);
                count += r > 190 && g > 160 && b > 110 && b < 180 ? 1 : 0;
            }
        return count;
    };
    ui().map.jumpFrom = from;
    ui().map.jumpTo = to;
    ui().map.jumpTick = GetTickCount64();
    EXPECT_GT(bright(printClient(map)), 0);
    ui().map.jumpTick = GetTickCount64() - 1000;
    EXPECT_EQ(bright(printClient(map)), 0);
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
