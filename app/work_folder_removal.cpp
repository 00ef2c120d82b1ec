#include "app/program.h"

#include "app/settings.h"

void removeWorkFolder()
{
    if (workFolder.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(workFolder, ignored);
}
