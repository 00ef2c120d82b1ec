#include "render/package_texts.h"

#include <locale>
#include <sstream>

#include "base/utf.h"

namespace {

constexpr const char* kAppName = "Tamrel Orvane " TAMREL_VERSION_TEXT;
constexpr const char* kAudition = "Revisar de oido armonia, ritmo y palabras en los cortes.";

} // namespace

std::string escapeFileName(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) < 0x20)
            out += ' ';
        else if (c == '"')
            out += "\\\"";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

std::string cutSettingsJson(const std::filesystem::path& songPath, const Loop& cuts, const RenderPlan& plan,
                            double fadeSeconds, int repetitions, uint64_t montageFrames, BeatModelKind model,
                            const std::optional<TargetKeys>& target)
{
    // The file names the engine family only: a fresh and a cached analysis
    // of one model read the same.
    const char* engineFamily =
        model == BeatModelKind::StandIn ? "Stand-in tempo tracker / ONNX CPU" : "Beat This transformer / ONNX CPU";
    // %.12g in the classic locale: 60 ms is "60", a unity gain "1", whatever
    // the regional settings say about decimal separators.
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(12);

    const std::string source = escapeFileName(pathToUtf8(songPath.filename()));
    out << "{\n"
        << "  \"app\": \"" << kAppName << "\",\n"
        << "  \"analysisEngine\": \"" << engineFamily << "\",\n"
        << "  \"source\": \"" << source << "\",\n"
        << "  \"sampleRate\": 48000,\n"
        << "  \"channels\": 2,\n"
        << "  \"pcmBits\": 24,\n"
        << "  \"startSec\": " << cuts.start << ",\n"
        << "  \"endSec\": " << cuts.end << ",\n"
        << "  \"outroSec\": " << cuts.outro << ",\n"
        << "  \"startSample\": " << static_cast<uint64_t>(plan.startSample) << ",\n"
        << "  \"endSample\": " << static_cast<uint64_t>(plan.endSample) << ",\n"
        << "  \"outroSample\": " << static_cast<uint64_t>(plan.outroSample) << ",\n"
        << "  \"crossfadeMs\": " << 1000.0 * fadeSeconds << ",\n"
        << "  \"repetitions\": " << repetitions << ",\n"
        << "  \"gain\": " << static_cast<double>(plan.gain) << ",\n"
        << "  \"montageFrames\": " << montageFrames << ",\n"
        << "  \"audition\": \"" << kAudition << "\"";
    if (target)
        out << ",\n"
            << "  \"targetSec\": " << target->targetSec << ",\n"
            << "  \"fadeOutMs\": " << target->fadeOutMs;
    out << "\n}\n";
    return std::move(out).str();
}

std::string readMeText()
{
    static constexpr const char* lines[] = {
        kAppName,
        "",
        "Coloca en una pista: INICIO -> LOOP x N -> FINAL (N >= 1).",
        "Une los tres archivos sin huecos, solapamientos ni fundidos adicionales.",
        "04-montaje.wav contiene el montaje completo con las repeticiones elegidas.",
        "05-escuchar-uniones.wav presenta inicio->loop, loop->loop y loop->final en tres extractos consecutivos. "
        "Los saltos entre extractos son separaciones de la muestra.",
        "Los masters son WAV PCM de 24 bits, estereo, 48 kHz. La muestra es PCM de 16 bits.",
        "La conversion de una fuente comprimida a WAV no recupera calidad perdida.",
        "Se conserva la coda original desde el punto seleccionado.",
        "Escucha las uniones: la seleccion automatica estima pulso y armonia; no identifica palabras cantadas ni "
        "separa voces.",
        "El original se conserva. cortes.json permite consultar o reproducir el ajuste.",
    };
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}
