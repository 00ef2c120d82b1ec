// A child for the tests of what a started program inherits: it stays until
// the file named by its argument exists (or two minutes have passed), then
// ends with exit code 0 (3 when it gave up waiting).
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    for (int step = 0; step < 12000; ++step) {
        if (GetFileAttributesW(argv[1]) != INVALID_FILE_ATTRIBUTES)
            return 0;
        Sleep(10);
    }
    return 3;
}
