// The program's own decoder arguments, run to their end with none of the
// program's supervision: the baseline a decode is measured against.
#pragma once
#include <chrono>
#include <filesystem>

#include "audio/decoder.h"
#include "audio/decoder_run.h"
#include "platform/child_process.h"

// Seconds the decoder took on the song, or -1 when it failed.
inline double bareDecoderSeconds(const std::filesystem::path& install, const std::filesystem::path& song,
                                 const std::filesystem::path& scratch)
{
    const std::filesystem::path decoder = install / decoderFileName();
    platform::ChildLaunch launch;
    launch.program = decoder;
    launch.arguments = decoderArguments(decoder, std::filesystem::absolute(song), scratch / "mono.f32");
    launch.workingFolder = install;
    launch.standardOutput = scratch / "decoded.f32";
    launch.standardError = scratch / "decoder.log";
    const auto start = std::chrono::steady_clock::now();
    platform::ChildProcess child = platform::startChildProcess(launch);
    if (child.status != platform::StartStatus::Started)
        return -1.0;
    platform::waitForChild(child, 600000);
    const int code = platform::finishChild(child, 5000);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::error_code ignored;
    for (const char* name : {"mono.f32", "decoded.f32", "decoder.log"})
        std::filesystem::remove(scratch / name, ignored);
    return code == 0 ? seconds : -1.0;
}
