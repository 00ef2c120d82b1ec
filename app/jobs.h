// Background jobs: one at a time on a thread of its own, at below-normal
// priority. A job fills only its own Result; progress and the finished
// Result travel to the window as owned heap records in posted messages, and
// the window joins the thread and adopts the result. cancelFlag is the only
// value both sides touch while a job runs.
#pragma once
#include <cstdint>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "analysis/analysis_model.h"
#include "base/cancel.h"
#include "platform/window_messages.h"

inline constexpr uint32_t kJobFinishedMessage = 0x8001;  // WM_APP + 1, payload Result
inline constexpr uint32_t kJobProgressMessage = 0x8002;  // WM_APP + 2, payload ProgressRecord

inline constexpr const char* kUnexpectedErrorMessage = "Ocurrio un error inesperado. Vuelve a abrir la cancion.";

// What the load job hands over: the decoded song and its analysis.
struct LoadOutcome {
    std::vector<float> audio;  // interleaved stereo, 48 kHz
    Analysis analysis;
    float peak = -1.0f;        // the largest sample magnitude, measured once here
    bool loaded = false;       // the job reached its end
};

// What the export job hands over.
struct ExportOutcome {
    std::filesystem::path folder;  // the package, empty when it failed
};

// What a job hands to the window. Created by the job thread, owned by the
// window once posted. The kind is fixed before the job runs, so a failed
// load still says it was a load.
struct Result {
    std::variant<LoadOutcome, ExportOutcome> work;
    std::u16string error;      // the failure's message, empty on success
    bool cancelled = false;    // the failure was the user's cancellation: no message box
};

struct ProgressRecord {
    int32_t percent = 0;
    std::string message;  // UTF-8
};

using JobFn = std::function<void(Result&)>;

// A job's kind (the empty outcome it fills) and its body.
struct Job {
    std::variant<LoadOutcome, ExportOutcome> kind;
    JobFn run;
};

// Where a job leaves its result when the window could not be posted to; the
// job sets finished last, after which only the window touches the record.
struct LostResult {
    std::unique_ptr<Result> result;
    std::atomic<bool> finished{false};
};

// Makes the thread a job runs on. The system can refuse (no memory, no
// threads left), which is why the window is given a way to say so.
using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

inline std::thread startSystemThread(std::function<void()> body) { return std::thread(std::move(body)); }

// The job state the window owns.
struct Jobs {
    platform::WindowHandle mainWindow = 0;  // destination of every posted record
    std::thread jobThread;
    std::shared_ptr<LostResult> lost;       // of the running job
    bool busy = false;
    ThreadStarter startThread = startSystemThread;
};

// Starts the job unless one is running (busy): prepareWindow runs first (the
// window stops playback, shows the status text with "…" and disables what a
// job must not meet), then the flag is cleared and the thread starts.
// Returns whether a job was started. When no thread can be made, busy is
// cleared again and kUnexpectedErrorMessage is thrown, so the window never
// waits for a job that does not exist and the user learns why.
bool launch(Jobs& jobs, Job job, const std::function<void()>& prepareWindow = {});

// The body of every job thread; posts kJobFinishedMessage last. A result
// that cannot be posted is kept in lost, for the window to find.
void runJob(platform::WindowHandle window, const Job& job, const std::shared_ptr<LostResult>& lost);

// Posts one progress record to the window: the load job's ProgressFn.
void postProgress(platform::WindowHandle window, int32_t percent, const std::string& message);
ProgressFn progressPoster(platform::WindowHandle window);

// The window's side: takes ownership of a posted record. Taking the Result
// also joins the finished thread and clears busy.
std::unique_ptr<Result> takeResult(Jobs& jobs, void* payload);
std::unique_ptr<ProgressRecord> takeProgress(void* payload);
// Frees the record of a message nobody will handle.
void discardPosted(const platform::PostedMessage& posted);

// The result of a job that ended without being able to post it, joined and
// handed over as takeResult does; null while the job runs or was posted.
std::unique_ptr<Result> takeLostResult(Jobs& jobs);

// The shutdown's step for jobs: a running job is cancelled and joined.
void stopJob(Jobs& jobs);
