#include "analysis/beat_model.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "analysis/onnx_runtime.h"

namespace {

// The model reads at most 1500 frames (30 s). Consecutive windows overlap by
// two 6-frame borders, whose outputs are dropped because the model sees too
// little context there.
constexpr int64_t kWindow = 1500;
constexpr int64_t kBorder = 6;
constexpr int64_t kStride = kWindow - 2 * kBorder;  // 1488
constexpr float kUnsupplied = -1000.0f;

std::vector<int64_t> windowStarts(int64_t frames)
{
    std::vector<int64_t> starts;
    for (int64_t s = -kBorder; s < frames - kBorder; s += kStride)
        starts.push_back(s);
    // The last window is pulled back to end 6 frames past the song instead of
    // running on into padding.
    if (frames > kStride)
        starts.back() = frames - (kWindow - kBorder);
    return starts;
}

// Rows before frame 0 and from frame F on stay zero: log1p(0), silence.
std::vector<float> windowInput(const Spectrogram& spectrogram, int64_t start, int64_t length)
{
    const auto frames = static_cast<int64_t>(spectrogram.frames);
    std::vector<float> buffer(static_cast<size_t>(length) * kMelBands, 0.0f);
    const int64_t first = std::max<int64_t>(start, 0);
    const int64_t end = std::min(start + length, frames);
    if (first < end)
        std::memcpy(buffer.data() + (first - start) * kMelBands, spectrogram.values.data() + first * kMelBands,
                    static_cast<size_t>(end - first) * kMelBands * sizeof(float));
    return buffer;
}

// Releases the runtime's output tensors on every way out of a window.
struct WindowOutputs {
    const OrtApi& api;
    OrtValue* values[2] = {nullptr, nullptr};
    ~WindowOutputs()
    {
        for (OrtValue* v : values)
            if (v)
                api.ReleaseValue(v);
    }
};

// A model that returns fewer values than it was given frames would make the
// copy below read past its buffer.
const float* outputData(const NeuralEngine& engine, OrtValue* value, int64_t length)
{
    const OrtApi& api = *engine.api;
    OrtTensorTypeAndShapeInfo* info = nullptr;
    checkStatus(engine, api.GetTensorTypeAndShape(value, &info));
    size_t count = 0;
    OrtStatus* status = api.GetTensorShapeElementCount(info, &count);
    api.ReleaseTensorTypeAndShapeInfo(info);
    checkStatus(engine, status);
    if (count < static_cast<size_t>(length))
        throw std::runtime_error("Motor neuronal: el modelo devolvio menos valores que tramas.");
    void* data = nullptr;
    checkStatus(engine, api.GetTensorMutableData(value, &data));
    return static_cast<const float*>(data);
}

void runWindow(const NeuralEngine& engine, const Spectrogram& spectrogram, int64_t start, Activations& out,
               std::vector<bool>& supplied)
{
    const OrtApi& api = *engine.api;
    const auto frames = static_cast<int64_t>(spectrogram.frames);
    const int64_t length = std::min(kWindow, frames - start + kBorder);
    std::vector<float> buffer = windowInput(spectrogram, start, length);

    const int64_t shape[3] = {1, length, kMelBands};
    OrtValue* input = nullptr;
    checkStatus(engine, api.CreateTensorWithDataAsOrtValue(engine.memoryInfo, buffer.data(),
                                                           buffer.size() * sizeof(float), shape, 3,
                                                           ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT, &input));
    const char* inputNames[] = {"input_spectrogram"};
    const char* outputNames[] = {"beat", "downbeat"};
    WindowOutputs outputs{api};
    OrtStatus* status = api.Run(engine.session, nullptr, inputNames, &input, 1, outputNames, 2, outputs.values);
    api.ReleaseValue(input);
    checkStatus(engine, status);

    if (frames - start <= kBorder)
        return;
    const float* beat = outputData(engine, outputs.values[0], length);
    const float* downbeat = outputData(engine, outputs.values[1], length);
    const int64_t end = start + std::min(kWindow - kBorder, frames - start);
    for (int64_t f = std::max<int64_t>(start + kBorder, 0); f < end; ++f) {
        if (f >= frames || supplied[static_cast<size_t>(f)])
            continue;
        out.beat[static_cast<size_t>(f)] = beat[f - start];
        out.downbeat[static_cast<size_t>(f)] = downbeat[f - start];
        supplied[static_cast<size_t>(f)] = true;
    }
}

} // namespace

Activations runBeatModel(const NeuralEngine& engine, const Spectrogram& spectrogram, const TickFn& tick,
                         const ProgressFn& progress)
{
    const auto frames = static_cast<int64_t>(spectrogram.frames);
    const std::vector<int64_t> starts = frames < 1 ? std::vector<int64_t>{} : windowStarts(frames);
    const auto windows = static_cast<int64_t>(starts.size());

    Activations out;
    out.beat.assign(spectrogram.frames, kUnsupplied);
    out.downbeat.assign(spectrogram.frames, kUnsupplied);
    std::vector<bool> supplied(spectrogram.frames, false);

    for (int64_t i = 0; i < windows; ++i) {
        tick();
        progress(static_cast<int32_t>(15 + 60 * i / windows), "Escuchando beats y compases \xC2\xB7 ventana " +
                                                                   std::to_string(i + 1) + "/" +
                                                                   std::to_string(windows));
        runWindow(engine, spectrogram, starts[static_cast<size_t>(i)], out, supplied);
    }
    tick();
    return out;
}
