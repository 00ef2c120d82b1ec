#include "base/text_file.h"

#include <fstream>
#include <stdexcept>

#include "base/fault_injection.h"

void writeTextFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    bool written = out.is_open() && !ioFaultNow();
    if (written)
        written = static_cast<bool>(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
    out.close();
    if (!written || !out)
        throw std::runtime_error("No se pudo escribir el informe.");
}
