#include "platform/audio_device.h"

#include <windows.h>
#include <mmsystem.h>

#include <memory>
#include <stdexcept>

#include "base/audio_constants.h"
#include "platform/win32/wave_position.h"

namespace platform {

namespace {

struct WaveOut {
    HANDLE event = nullptr;
    HWAVEOUT device = nullptr;
    WAVEHDR headers[kAudioSlots] = {};
    bool prepared[kAudioSlots] = {};
    // The device counts in 32 bits; widened here so a stream that plays for
    // hours still maps onto the right buffers.
    WavePosition position;
    uint64_t played = 0;
};

int32_t openWaveOut(WaveOut& w)
{
    // Auto-reset: each wait consumes one completion signal.
    w.event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!w.event)
        return MMSYSERR_NOMEM;
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kSongFrameRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 192000;
    format.cbSize = 0;
    const MMRESULT result = waveOutOpen(&w.device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(w.event), 0,
                                        CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        w.device = nullptr;
        return static_cast<int32_t>(result);
    }
    return 0;
}

void queueBuffer(WaveOut& w, int slot, const int16_t* samples, uint32_t frames)
{
    WAVEHDR& header = w.headers[slot];
    if (!w.prepared[slot]) {
        header = {};
        header.lpData = reinterpret_cast<LPSTR>(const_cast<int16_t*>(samples));
        header.dwBufferLength = kAudioSlotFrames * 4;
        if (waveOutPrepareHeader(w.device, &header, sizeof header) != MMSYSERR_NOERROR)
            throw std::runtime_error("waveOutPrepareHeader");
        w.prepared[slot] = true;
    }
    header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
    header.dwBufferLength = frames * 4;
    if (waveOutWrite(w.device, &header, sizeof header) != MMSYSERR_NOERROR)
        throw std::runtime_error("waveOutWrite");
}

bool slotFinished(const WaveOut& w, int slot)
{
    // The driver sets the flag from its own thread.
    const volatile DWORD& flags = w.headers[slot].dwFlags;
    return !w.prepared[slot] || (flags & WHDR_DONE) != 0;
}

uint64_t framesPlayed(WaveOut& w)
{
    MMTIME time = {};
    time.wType = TIME_SAMPLES;
    if (waveOutGetPosition(w.device, &time, sizeof time) != MMSYSERR_NOERROR)
        return w.played;
    // The device may answer in another unit than the one asked for.
    switch (time.wType) {
    case TIME_SAMPLES:
        w.played = framesAtReading(w.position, PositionUnit::Samples, time.u.sample, kSongFrameRate, 4);
        break;
    case TIME_BYTES:
        w.played = framesAtReading(w.position, PositionUnit::Bytes, time.u.cb, kSongFrameRate, 4);
        break;
    default:
        w.played = framesAtReading(w.position, PositionUnit::Milliseconds, time.u.ms, kSongFrameRate, 4);
        break;
    }
    return w.played;
}

void closeWaveOut(WaveOut& w)
{
    if (w.device) {
        waveOutReset(w.device);
        for (int slot = 0; slot < kAudioSlots; ++slot) {
            if (w.prepared[slot])
                waveOutUnprepareHeader(w.device, &w.headers[slot], sizeof w.headers[slot]);
            w.prepared[slot] = false;
        }
        waveOutClose(w.device);
        w.device = nullptr;
    }
    if (w.event) {
        CloseHandle(w.event);
        w.event = nullptr;
    }
}

} // namespace

AudioOutput systemAudioOutput()
{
    const auto w = std::make_shared<WaveOut>();
    AudioOutput out;
    out.open = [w] { return openWaveOut(*w); };
    out.queue = [w](int slot, const int16_t* samples, uint32_t frames) { queueBuffer(*w, slot, samples, frames); };
    out.finished = [w](int slot) { return slotFinished(*w, slot); };
    out.framesPlayed = [w] { return framesPlayed(*w); };
    out.pause = [w] { waveOutPause(w->device); };
    out.resume = [w] { waveOutRestart(w->device); };
    out.reset = [w] { waveOutReset(w->device); };
    out.close = [w] { closeWaveOut(*w); };
    out.wait = [w](uint32_t milliseconds) { WaitForSingleObject(w->event, milliseconds); };
    return out;
}

} // namespace platform
