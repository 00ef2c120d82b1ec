#include "ui/win32/dialogs.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <string>

#include "app/window_texts.h"
#include "audio/song_formats.h"
#include "ui/win32/widgets.h"

namespace {

// Filter pairs, each part ending in a null, the whole list in two.
std::wstring filterList(std::initializer_list<std::pair<std::wstring, std::wstring>> pairs)
{
    std::wstring list;
    for (const auto& [name, pattern] : pairs) {
        list += name;
        list += L'\0';
        list += pattern;
        list += L'\0';
    }
    list += L'\0';
    return list;
}

std::filesystem::path fileDialog(HWND owner, bool save, const std::wstring& filter, const wchar_t* defaultExtension)
{
    std::wstring file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = defaultExtension;
    if (save) {
        dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT;
        if (!GetSaveFileNameW(&dialog))
            return {};
    } else {
        dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        if (!GetOpenFileNameW(&dialog))
            return {};
    }
    file.resize(wcslen(file.c_str()));
    return std::filesystem::path(file);
}

std::filesystem::path systemFileDialog(HWND owner, DialogKind kind)
{
    if (kind == DialogKind::OpenAudio)
        return fileDialog(owner, false,
                          filterList({{toWide(kAudioFilterName), toWide(songFilePattern())},
                                      {toWide(kAllFilesFilterName), L"*.*"}}),
                          nullptr);
    const std::wstring filter = filterList({{toWide(kSessionFilterName), L"*.tamrelloop"}});
    return fileDialog(owner, kind == DialogKind::SaveSession, filter, L"tamrelloop");
}

std::filesystem::path folderPicker(HWND owner)
{
    std::filesystem::path chosen;
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                reinterpret_cast<void**>(&dialog))))
        return chosen;
    FILEOPENDIALOGOPTIONS options = 0;
    if (SUCCEEDED(dialog->GetOptions(&options)) &&
        SUCCEEDED(dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM)) &&
        SUCCEEDED(dialog->SetTitle(toWide(kFolderPickerTitle).c_str())) && SUCCEEDED(dialog->Show(owner))) {
        IShellItem* item = nullptr;
        if (SUCCEEDED(dialog->GetResult(&item))) {
            PWSTR path = nullptr;
            if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
                chosen = path;
                CoTaskMemFree(path);
            }
            item->Release();
        }
    }
    dialog->Release();
    return chosen;
}

} // namespace

Seams systemSeams()
{
    Seams seams;
    seams.messageBox = [](HWND owner, const std::wstring& text, UINT style) {
        return MessageBoxW(owner, text.c_str(), toWide(std::string_view(kProgramTitleText)).c_str(), style);
    };
    seams.shellOpen = [](HWND owner, const std::wstring& target) {
        ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    seams.fileDialog = systemFileDialog;
    seams.folderPicker = folderPicker;
    seams.milliseconds = [] { return static_cast<uint64_t>(GetTickCount64()); };
    return seams;
}
