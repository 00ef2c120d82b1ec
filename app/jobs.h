// Background jobs: one at a time on a thread of its own, at below-normal
// priority. A job fills only its own Result; progress and the finished
// Result travel to the window as owned heap records in posted messages, and
// the window joins the thread and adopts the result. cancelFlag is the only
// value both sides touch while a job runs.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/analysis_model.h"
#include "base/cancel.h"
#include "platform/window_messages.h"

inline constexpr uint32_t kJobFinishedMessage = 0x8001;  // WM_APP + 1, payload Result
inline constexpr uint32_t kJobProgressMessage = 0x8002;  // WM_APP + 2, payload ProgressRecord

inline constexpr const char* kUnexpectedErrorMessage = "Ocurrio un error inesperado. Vuelve a abrir la cancion.";

// What a job hands to the window. Created by the job thread, owned by the
// window once posted.
struct Result {
    std::vector<float> audio;  // interleaved stereo, 48 kHz (load job)
    Analysis analysis;         // (load job)
    std::u16string error;      // the failure's message, empty on success
    std::filesystem::path exportFolder;  // (export job)
    bool loaded = false;       // the load job reached its end
    bool cancelled = false;    // the failure was the user's cancellation: no message box
};

struct ProgressRecord {
    int32_t percent = 0;
    std::string message;  // UTF-8
};

using JobFn = std::function<void(Result&)>;

// The job state the window owns.
struct Jobs {
    platform::WindowHandle mainWindow = 0;  // destination of every posted record
    std::thread jobThread;
    std::u16string jobStatus;
    bool busy = false;
};

// Starts the job unless one is running (busy): prepareWindow runs first (the
// window stops playback, shows the status text with "…" and disables what a
// job must not meet), then the flag is cleared and the thread starts.
// Returns whether a job was started.
bool launch(Jobs& jobs, const std::u16string& statusText, JobFn job, const std::function<void()>& prepareWindow = {});

// The body of every job thread; posts kJobFinishedMessage last.
void runJob(platform::WindowHandle window, const JobFn& job);

// Posts one progress record to the window: the load job's ProgressFn.
void postProgress(platform::WindowHandle window, int32_t percent, const std::string& message);
ProgressFn progressPoster(platform::WindowHandle window);

// The window's side: takes ownership of a posted record. Taking the Result
// also joins the finished thread and clears busy.
std::unique_ptr<Result> takeResult(Jobs& jobs, void* payload);
std::unique_ptr<ProgressRecord> takeProgress(void* payload);
// Frees the record of a message nobody will handle.
void discardPosted(const platform::PostedMessage& posted);

// The shutdown's step for jobs: a running job is cancelled and joined.
void stopJob(Jobs& jobs);
