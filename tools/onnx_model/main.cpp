// Writes the generated models: <out>/beat_this.onnx and <out>/models/*.onnx.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "models.h"

namespace {

bool write(const std::filesystem::path& path, const onnx_model::Model& model)
{
    const std::string bytes = onnx_model::encodeModel(model);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: onnx_model OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out / "models");
    const bool ok = write(out / "beat_this.onnx", onnx_model::standInBeatModel()) &&
                    write(out / "models" / "stand_in_diagnostics.onnx", onnx_model::standInDiagnosticsModel()) &&
                    write(out / "models" / "probe.onnx", onnx_model::probeModel()) &&
                    write(out / "models" / "wrong_input.onnx", onnx_model::wrongInputModel()) &&
                    write(out / "models" / "short_output.onnx", onnx_model::shortOutputModel());
    return ok ? 0 : 1;
}
