#include "app/jobs.h"

#include <exception>
#include <stdexcept>

#include "base/utf.h"

bool launch(Jobs& jobs, const std::u16string& statusText, JobFn job, const std::function<void()>& prepareWindow)
{
    if (jobs.busy)
        return false;
    if (prepareWindow)
        prepareWindow();
    cancelFlag.exchange(false);
    jobs.jobStatus = statusText;
    jobs.busy = true;
    // The window joins every finished job before busy clears, so no thread
    // is left here to replace.
    jobs.jobThread = std::thread([window = jobs.mainWindow, job = std::move(job)] { runJob(window, job); });
    return true;
}

void runJob(platform::WindowHandle window, const JobFn& job)
{
    platform::lowerCurrentThreadPriority();
    auto result = std::make_unique<Result>();
    try {
        job(*result);
    } catch (const Cancelled& cancelled) {
        result->error = utf8ToUtf16(cancelled.what());
        result->cancelled = true;
    } catch (const std::exception& failure) {
        result->error = utf8ToUtf16(failure.what());
    } catch (...) {
        result->error = utf8ToUtf16(kUnexpectedErrorMessage);
    }
    // A window that is gone cannot take the record; it is freed here instead.
    if (platform::postToWindow(window, kJobFinishedMessage, result.get()))
        result.release();
}

void postProgress(platform::WindowHandle window, int32_t percent, const std::string& message)
{
    auto record = std::make_unique<ProgressRecord>(ProgressRecord{percent, message});
    if (platform::postToWindow(window, kJobProgressMessage, record.get()))
        record.release();
}

ProgressFn progressPoster(platform::WindowHandle window)
{
    return [window](int32_t percent, const std::string& message) { postProgress(window, percent, message); };
}

std::unique_ptr<Result> takeResult(Jobs& jobs, void* payload)
{
    std::unique_ptr<Result> result(static_cast<Result*>(payload));
    if (jobs.jobThread.joinable())
        jobs.jobThread.join();
    jobs.busy = false;
    return result;
}

std::unique_ptr<ProgressRecord> takeProgress(void* payload)
{
    return std::unique_ptr<ProgressRecord>(static_cast<ProgressRecord*>(payload));
}

void discardPosted(const platform::PostedMessage& posted)
{
    if (posted.message == kJobFinishedMessage)
        delete static_cast<Result*>(posted.payload);
    else if (posted.message == kJobProgressMessage)
        delete static_cast<ProgressRecord*>(posted.payload);
}

void stopJob(Jobs& jobs)
{
    if (!jobs.jobThread.joinable())
        return;
    cancelFlag.exchange(true);
    jobs.jobThread.join();
}
