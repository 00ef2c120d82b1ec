#include "app/jobs.h"

#include <exception>
#include <stdexcept>

#include "base/utf.h"

bool launch(Jobs& jobs, Job job, const std::function<void()>& prepareWindow)
{
    if (jobs.busy)
        return false;
    if (prepareWindow)
        prepareWindow();
    cancelFlag.exchange(false);
    jobs.busy = true;
    jobs.lost = std::make_shared<LostResult>();
    // The window joins every finished job before busy clears, so no thread
    // is left here to replace. A thread the system refuses (or a starter that
    // hands back none) means no job: busy ends here, with the user's message.
    std::thread thread;
    try {
        thread = jobs.startThread([window = jobs.mainWindow, job = std::move(job), lost = jobs.lost] {
            runJob(window, job, lost);
        });
    } catch (...) {
    }
    if (!thread.joinable()) {
        jobs.busy = false;
        jobs.lost.reset();
        throw std::runtime_error(kUnexpectedErrorMessage);
    }
    jobs.jobThread = std::move(thread);
    return true;
}

void runJob(platform::WindowHandle window, const Job& job, const std::shared_ptr<LostResult>& lost)
{
    platform::lowerCurrentThreadPriority();
    auto result = std::make_unique<Result>();
    result->work = job.kind;
    try {
        job.run(*result);
    } catch (const Cancelled& cancelled) {
        result->error = utf8ToUtf16(cancelled.what());
        result->cancelled = true;
    } catch (const std::exception& failure) {
        result->error = utf8ToUtf16(failure.what());
    } catch (...) {
        result->error = utf8ToUtf16(kUnexpectedErrorMessage);
    }
    // A window that cannot take the record (gone, or its queue full) finds
    // it in lost instead, or nobody does and it is freed with lost.
    if (platform::postToWindow(window, kJobFinishedMessage, result.get())) {
        result.release();
        return;
    }
    lost->result = std::move(result);
    lost->finished.store(true);
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
    jobs.lost.reset();
    return result;
}

std::unique_ptr<Result> takeLostResult(Jobs& jobs)
{
    if (!jobs.busy || !jobs.lost || !jobs.lost->finished.load())
        return nullptr;
    if (jobs.jobThread.joinable())
        jobs.jobThread.join();
    jobs.busy = false;
    std::unique_ptr<Result> result = std::move(jobs.lost->result);
    jobs.lost.reset();
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
