#include "ui/win32/main_paint.h"

#include <string>

#include "app/window_texts.h"
#include "base/number_format.h"
#include "ui/layout.h"
#include "ui/model_texts.h"
#include "ui/win32/paint_buffer.h"
#include "ui/win32/widgets.h"

namespace {

void paintHeader(TextBatch& texts, Graphics* g, const Document& doc, float W)
{
    const Analysis& a = doc.song.analysis;
    const bool beats = !a.beats.empty();
    // Before a song, the header names the model that will analyse it.
    const HeaderIdleTexts idle = headerIdleTexts(doc.model);
    queueText(texts, toWide(kHeaderName), 19, 9, 155, 23, 14, TextColour, true);
    queueText(texts, toWide(kHeaderEdition), 21, 30, 150, 14, 8, Muted, true);
    drawSegmentText(g, formatClock(doc.view.playhead), 207, 60, 18, 30, TextColour);
    queueText(texts, toWide(kFormatCaption), 210, 93, 210, 17, 9, Muted);
    queueText(texts, a.bpm > 0 ? fixedText(a.bpm, 1) + toWide(kBpmSuffix) : toWide(kNoTempo), 489, 61, 180, 31, 22,
              Orange, true);
    queueText(texts,
              beats ? fixedText(a.bpmLow, 1) + toWide(kTempoRangeDash) + fixedText(a.bpmHigh, 1) +
                          toWide(kLocalTempoSuffix)
                    : toWide(idle.underTempo),
              490, 93, 280, 17, 9, Muted);
    queueText(texts, beats ? std::to_wstring(a.beats.size()) + toWide(kBeatsSuffix) : toWide(idle.title), W - 290,
              62, 230, 27, 17, Green, true);
    queueText(texts,
              beats ? toWide(kMeanProbabilityPrefix) + fixedText(100 * a.confidence, 0) + toWide(kPercentThen) +
                          std::to_wstring(a.meter) + toWide(kBeatsPerBarSuffix)
                    : toWide(idle.modelLine),
              W - 290, 92, 250, 18, 9, Muted);
}

void paintPanel(TextBatch& texts, Graphics* g, const Document& doc, float W, float H)
{
    const float K = W - 284;
    const float L = static_cast<float>(listHeight(static_cast<int>(H)));
    queueText(texts, toWide(kLoopBuilderCaption), K, 123, 260, 21, 11, TextColour, true);
    const int selected = doc.candidate;
    const auto& loops = doc.song.analysis.loops;
    double values[3] = {0, 0, 0};
    if (selected >= 1 && static_cast<size_t>(selected) <= loops.size()) {
        const Loop& loop = loops[static_cast<size_t>(selected) - 1];
        values[0] = loop.harmony;
        values[1] = loop.timbre;
        values[2] = loop.rhythm;
    }
    const char* labels[3] = {kHarmonyLabel, kTimbreLabel, kRhythmLabel};
    for (int i = 0; i < 3; ++i) {
        const float y = L + 166 + 22.0f * i;
        queueText(texts, toWide(labels[i]), K, y, 93, 16, 10, Muted);
        fillRect(g, Line, K + 93, y + 6, 126, 3);
        fillRect(g, Green, K + 93, y + 6, static_cast<float>(126 * values[i]), 3);
        queueText(texts, fixedText(100 * values[i], 0), K + 227, y, 35, 16, 10, Muted);
    }
    const char* fields[3] = {kStartFieldLabel, kEndFieldLabel, kOutroFieldLabel};
    const Argb colours[3] = {Green, Orange, Lilac};
    for (int i = 0; i < 3; ++i)
        queueText(texts, toWide(fields[i]), K, L + 240 + 38.0f * i, 115, 27, 11, colours[i], true);
    queueText(texts, toWide(kCrossfadeFieldLabel), K, L + 354, 165, 25, 11, Muted);
    queueText(texts, toWide(kRepetitionsFieldLabel), K, L + 389, 165, 25, 11, Muted);
    const MontageLine montage = montageLine(doc);
    if (!montage.length.empty())
        queueText(texts, toWide(montage.length), K, L + 415, 160, 15, 9, Muted);
    if (!montage.difference.empty())
        queueText(texts, toWide(montage.difference), K + 160, L + 415, 101, 15, 9, Orange, true, 2);
    queueText(texts, toWide(kTargetFieldLabel), K, L + 500, 100, 25, 11, Muted);
}

} // namespace

void paintMainWindow(const Document& doc, PaintStyle style, HWND window, HDC target)
{
    PaintBuffer buffer;
    openPaintBuffer(buffer, window, style, true, target);
    Graphics* g = buffer.graphics;
    const float W = static_cast<float>(toLogical(buffer.width, style.scale));
    const float H = static_cast<float>(toLogical(buffer.height, style.scale));
    fillRect(g, kBackground, 0, 0, W, H);
    fillRect(g, kHeaderBand, 0, 0, W, 49);
    fillRect(g, kPanel, W - 296, 124, 296, H - 164);  // K - 12 with K = W - 284
    paintHeader(buffer.texts, g, doc, W);
    paintPanel(buffer.texts, g, doc, W, H);
    queueText(buffer.texts, toWide(kTimelineCaption), 19, H - 268, 400, 20, 9, Muted, true);
    queueText(buffer.texts, toWide(kTimelineHint), 19, H - 72, W - 330, 20, 9, Muted);
    closePaintBuffer(buffer);
}
