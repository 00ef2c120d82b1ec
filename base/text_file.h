#pragma once
#include <filesystem>
#include <string_view>

// Replaces the file with exactly these bytes; throws "No se pudo escribir el informe.".
void writeTextFile(const std::filesystem::path& path, std::string_view bytes);
