#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include "app/settings.h"
#include "base/cancel.h"
#include "audio/decoder.h"
#include "audio/decoder_run.h"
#include "audio/wav_fixture.h"
#include "support/run_program.h"

namespace {

// A local port that would see any connection the decoder tried to make.
struct Listener {
    SOCKET socket = INVALID_SOCKET;
    int port = 0;

    Listener()
    {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
        socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (socket == INVALID_SOCKET || bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(socket, 8) != 0 || getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port = ntohs(address.sin_port);
    }
    ~Listener()
    {
        if (socket != INVALID_SOCKET) closesocket(socket);
        WSACleanup();
    }
    // Whether a connection arrived since the last call; it is taken and closed.
    bool connectionArrived() const
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        timeval now{0, 0};
        if (select(0, &readable, nullptr, nullptr, &now) <= 0) return false;
        const SOCKET taken = accept(socket, nullptr, nullptr);
        if (taken != INVALID_SOCKET) closesocket(taken);
        return true;
    }
};

// The installed decoder given the decoder's own command line, the song path
// passed on exactly as written. Exit code, or -1 when it did not end in time.
int runInstalledDecoder(const std::filesystem::path& song, const std::filesystem::path& work)
{
    platform::ChildLaunch launch;
    launch.program = installFolder() / "ffmpeg.exe";
    launch.arguments = decoderArguments(launch.program, song, work / "mono.f32");
    launch.workingFolder = installFolder();
    launch.standardOutput = work / "decoded.f32";
    launch.standardError = work / "decoder.log";
    platform::ChildProcess child = platform::startChildProcess(launch);
    if (child.status != platform::StartStatus::Started) return -1;
    if (!platform::waitForChild(child, 60000)) {
        platform::terminateChild(child, 1);
        platform::finishChild(child, 5000);
        return -1;
    }
    return platform::finishChild(child, 5000);
}

// The decoder reads local files and its pipes only: a song path naming a
// network or a nesting protocol fails like an unreadable song, even where the
// files it names would decode, and no connection is attempted.
TEST(DecoderProtocols, OnlyLocalFilesAndPipesAreRead)
{
    testsupport::TempFolder work("work"), songs("songs");
    const DecoderRun run{installFolder(), work.path};
    cancelFlag = false;
    const auto song = songs.path / "song.wav";
    testsupport::writeWav(song, testsupport::ConstantWav{2, 16, 21 * 48000});
    ASSERT_EQ(runInstalledDecoder(song, work.path), 0);
    ASSERT_EQ(std::filesystem::file_size(work.path / "decoded.f32"), 21u * 48000 * 8);

    Listener listener;
    ASSERT_NE(listener.port, 0);
    const std::string local = "127.0.0.1:" + std::to_string(listener.port);
    const std::string file = song.string();
    const std::string failed = "No se pudo decodificar el archivo. Comprueba que contiene audio y no esta protegido. "
                               "El detalle queda en decoder.log mientras la app esta abierta.";
    for (const std::string& path :
         {"http://" + local + "/song.wav", "https://" + local + "/song.wav", "tcp://" + local, "rtmp://" + local + "/a",
          "concat:" + file + "|" + file, "subfile,,start,0,end,0,,:" + file, "cache:" + file, "crypto:" + file}) {
        SCOPED_TRACE(path);
        EXPECT_NE(runInstalledDecoder(path, work.path), 0);
        EXPECT_EQ(std::filesystem::file_size(work.path / "decoded.f32"), 0u);
        EXPECT_FALSE(testsupport::readBytes(work.path / "decoder.log").empty());

        std::string message = "(no failure)";
        try {
            decodeSong(path, run);
        } catch (const std::exception& e) {
            message = e.what();
        }
        EXPECT_EQ(message, failed);
        EXPECT_FALSE(listener.connectionArrived());
    }
}

} // namespace
