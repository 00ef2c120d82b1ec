#include "support/message_receiver.h"

#include <windows.h>

namespace testsupport {
namespace {

constexpr const wchar_t* kReceiverClass = L"TestMessageReceiver";

HWND windowOf(platform::WindowHandle handle)
{
    return reinterpret_cast<HWND>(handle);
}

void registerReceiverClass()
{
    static const bool registered = [] {
        WNDCLASSW receiver{};
        receiver.lpfnWndProc = DefWindowProcW;
        receiver.hInstance = GetModuleHandleW(nullptr);
        receiver.lpszClassName = kReceiverClass;
        return RegisterClassW(&receiver) != 0;
    }();
    (void)registered;
}

} // namespace

platform::WindowHandle createMessageReceiver()
{
    registerReceiverClass();
    // A message-only window: it receives posted messages and is never shown.
    const HWND window = CreateWindowExW(0, kReceiverClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    return reinterpret_cast<platform::WindowHandle>(window);
}

std::optional<platform::PostedMessage> nextPostedMessage(platform::WindowHandle receiver, uint32_t timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == windowOf(receiver) && msg.message >= WM_APP)
                return platform::PostedMessage{msg.message, reinterpret_cast<void*>(msg.lParam)};
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return std::nullopt;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
}

void destroyMessageReceiver(platform::WindowHandle receiver)
{
    DestroyWindow(windowOf(receiver));
}

platform::WindowHandle goneWindow()
{
    const platform::WindowHandle window = createMessageReceiver();
    destroyMessageReceiver(window);
    return window;
}

} // namespace testsupport
