// The client area: header band, clock, tempo, model summary, the loop
// builder panel with its labels and score bars, the timeline captions.
#include <string>

#include "ui/layout.h"
#include "ui/model_texts.h"
#include "base/number_format.h"
#include "ui/win32/main_window.h"
#include "ui/win32/paint.h"
#include "ui/win32/paint_buffer.h"

namespace {

std::wstring fixed(double x, int decimals)
{
    return toWide(formatFixed(x, decimals));
}

void paintHeader(Graphics* g, float W)
{
    const WindowState& s = ui();
    const Analysis& a = s.doc.song.analysis;
    const bool beats = !a.beats.empty();
    // Before a song, the header names the model that will analyse it.
    const HeaderIdleTexts idle = headerIdleTexts(s.doc.model);
    queueText(L"T A M R E L", 19, 9, 155, 23, 14, TextColour, true);
    queueText(L"ORVANE  2", 21, 30, 150, 14, 8, Muted, true);
    drawSegmentText(g, formatClock(s.doc.view.playhead), 207, 60, 18, 30, TextColour);
    queueText(L"48 kHz  /  EST\u00C9REO", 210, 93, 210, 17, 9, Muted);
    queueText(a.bpm > 0 ? fixed(a.bpm, 1) + L" BPM" : std::wstring(L"\u2014 BPM"), 489, 61, 180, 31, 22, Orange, true);
    queueText(beats ? fixed(a.bpmLow, 1) + L"\u2013" + fixed(a.bpmHigh, 1) + L" BPM \u00B7 tempo local"
                    : toWide(idle.underTempo),
              490, 93, 280, 17, 9, Muted);
    queueText(beats ? std::to_wstring(a.beats.size()) + L" BEATS" : toWide(idle.title), W - 290, 62, 230, 27,
              17, Green, true);
    queueText(beats ? L"Probabilidad media " + fixed(100 * a.confidence, 0) + L"% \u00B7 " + std::to_wstring(a.meter) +
                          L" pulsos/comp\u00E1s"
                    : toWide(idle.modelLine),
              W - 290, 92, 250, 18, 9, Muted);
}

void paintPanel(Graphics* g, float W, float H)
{
    const WindowState& s = ui();
    const float K = W - 284;
    const float L = static_cast<float>(listHeight(static_cast<int>(H)));
    queueText(L"LOOP BUILDER", K, 123, 260, 21, 11, TextColour, true);
    const int selected = s.doc.candidate;
    const auto& loops = s.doc.song.analysis.loops;
    double values[3] = {0, 0, 0};
    if (selected >= 1 && static_cast<size_t>(selected) <= loops.size()) {
        const Loop& loop = loops[static_cast<size_t>(selected) - 1];
        values[0] = loop.harmony;
        values[1] = loop.timbre;
        values[2] = loop.rhythm;
    }
    const wchar_t* labels[3] = {L"Armon\u00EDa", L"Timbre", L"Ritmo"};
    for (int i = 0; i < 3; ++i) {
        const float y = L + 166 + 22.0f * i;
        queueText(labels[i], K, y, 93, 16, 10, Muted);
        fillRect(g, Line, K + 93, y + 6, 126, 3);
        fillRect(g, Green, K + 93, y + 6, static_cast<float>(126 * values[i]), 3);
        queueText(fixed(100 * values[i], 0), K + 227, y, 35, 16, 10, Muted);
    }
    const wchar_t* fields[3] = {L"A   Inicio loop", L"B   Fin loop", L"O   Final"};
    const Argb colours[3] = {Green, Orange, Lilac};
    for (int i = 0; i < 3; ++i)
        queueText(fields[i], K, L + 240 + 38.0f * i, 115, 27, 11, colours[i], true);
    queueText(L"Puente (ms)", K, L + 354, 165, 25, 11, Muted);
    queueText(L"Vueltas al exportar", K, L + 389, 165, 25, 11, Muted);
    const MontageLine montage = montageLine(s.doc);
    if (!montage.length.empty())
        queueText(toWide(montage.length), K, L + 415, 160, 15, 9, Muted);
    if (!montage.difference.empty())
        queueText(toWide(montage.difference), K + 160, L + 415, 101, 15, 9, Orange, true, 2);
    queueText(L"Duraci\u00F3n objetivo", K, L + 500, 100, 25, 11, Muted);
}

} // namespace

void paintMainWindow(HWND window, HDC target)
{
    PaintBuffer buffer;
    openPaintBuffer(buffer, window, true, target);
    Graphics* g = buffer.graphics;
    const float W = static_cast<float>(toLogical(buffer.width, dpiScale));
    const float H = static_cast<float>(toLogical(buffer.height, dpiScale));
    fillRect(g, 0xFF0F1116, 0, 0, W, H);
    fillRect(g, 0xFF161920, 0, 0, W, 49);
    fillRect(g, 0xFF13161C, W - 296, 124, 296, H - 164);  // K - 12 with K = W - 284
    paintHeader(g, W);
    paintPanel(g, W, H);
    queueText(L"TIMELINE  /  BEATS + COMPASES", 19, H - 268, 400, 20, 9, Muted, true);
    queueText(L"Rueda: zoom \u00B7 clic: escuchar \u00B7 arrastrar A/B/O: cortar", 19, H - 72, W - 330, 20, 9, Muted);
    closePaintBuffer(buffer);
}
