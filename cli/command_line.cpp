#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <stdexcept>

#include "analysis/cut_rule.h"
#include "app/duration_text.h"
#include "base/audio_constants.h"
#include "app/number_field.h"
#include "base/utf.h"

namespace {

constexpr const char* kRepetitionsMessage = "Repeticiones: entre 1 y 100.";
constexpr const char* kCandidateMessage = "Candidato: un numero entero desde 1 (1 es el mejor).";
constexpr const char* kJobsMessage = "Trabajos: un numero entero desde 1.";
constexpr const char* kHandCutsMessage = "Los cortes a mano necesitan los tres: --inicio, --fin y --final.";
constexpr const char* kHandOrRankMessage = "Elige un candidato o cortes a mano, no ambos.";
constexpr const char* kTargetOrRepetitionsMessage = "Elige repeticiones o una duracion objetivo, no ambas.";
constexpr const char* kExactNeedsTargetMessage = "--exacta necesita una duracion objetivo (--duracion).";

// The options are read as text and turned into numbers here, so that they
// follow the window's number rule (a point or a comma) and its messages.
struct RawOptions {
    std::string rank, start, end, outro, fadeMs, repetitions, jobs, target;
    bool targetGiven = false, exact = false;
};

double number(const std::string& text)
{
    return readNumberField(utf8ToUtf16(text));
}

int wholeNumber(const std::string& text, int lowest, int highest, const char* message)
{
    double value = 0.0;
    try {
        value = number(text);
    } catch (const std::runtime_error&) {
        throw std::runtime_error(message);
    }
    if (value != std::floor(value) || value < lowest || value > highest)
        throw std::runtime_error(message);
    return static_cast<int>(value);
}

void applyExportOptions(const RawOptions& raw, ExportChoice& choice)
{
    if (!raw.rank.empty())
        choice.rank = wholeNumber(raw.rank, 1, 1000000, kCandidateMessage);
    if (!raw.repetitions.empty())
        choice.repetitions = wholeNumber(raw.repetitions, kFewestRepetitions, kMostRepetitions, kRepetitionsMessage);
    if (!raw.fadeMs.empty())
        choice.fadeSeconds = number(raw.fadeMs) / 1000.0;
    if (raw.targetGiven && !raw.repetitions.empty())
        throw std::runtime_error(kTargetOrRepetitionsMessage);
    if (raw.exact && !raw.targetGiven)
        throw std::runtime_error(kExactNeedsTargetMessage);
    // The window's reading: an empty text is no target, but an option given
    // empty on the command line is a mistake, not a wish for none.
    if (raw.targetGiven) {
        const std::optional<double> seconds = readDurationText(utf8ToUtf16(raw.target));
        if (!seconds)
            throw std::runtime_error(kInvalidDurationMessage);
        choice.target = DurationTarget{*seconds, raw.exact};
    }

    const int given = !raw.start.empty() + !raw.end.empty() + !raw.outro.empty();
    if (given != 0 && given != 3)
        throw std::runtime_error(kHandCutsMessage);
    if (given == 3 && !raw.rank.empty())
        throw std::runtime_error(kHandOrRankMessage);
    if (given == 3) {
        choice.start = number(raw.start);
        choice.end = number(raw.end);
        choice.outro = number(raw.outro);
    }
    // Whatever the song, the cuts must be in order and the crossfade within
    // its range; only the song's own length is left for each song to check.
    const uint64_t longestSong = uint64_t{kLongestSongSeconds + 1} * kSongFrameRate;
    if (given == 3)
        validateCuts(longestSong, *choice.start, *choice.end, *choice.outro, choice.fadeSeconds);
    else
        validateCuts(longestSong, 1.0, 2.0, 2.0, choice.fadeSeconds);
}

void spanishLabels(CLI::App& app)
{
    const auto formatter = app.get_formatter();
    formatter->label("Usage", "Uso");
    formatter->label("OPTIONS", "OPCIONES");
    formatter->label("Options", "Opciones");
    formatter->label("Positionals", "Argumentos");
    formatter->label("Subcommands", "Ordenes");
    formatter->label("SUBCOMMAND", "ORDEN");
    formatter->label("REQUIRED", "OBLIGATORIO");
    formatter->label("TEXT", "TEXTO");
    formatter->label("Needs", "Necesita");
    formatter->label("Excludes", "Excluye");
    formatter->column_width(34);
}

void commonOptions(CLI::App& command, std::vector<std::string>& inputs, RawOptions& raw, bool& quiet)
{
    command.set_help_flag("-h,--help", "Muestra esta ayuda y termina");
    command.add_option("entradas", inputs,
                       "Canciones (MP3, WAV, FLAC, OGG, M4A, AAC, OPUS, WMA) o carpetas, que se recorren con sus "
                       "subcarpetas")
        ->required()
        ->type_name("RUTA");
    command.add_option("-j,--jobs", raw.jobs,
                       "Canciones a la vez (por defecto, las que permiten los núcleos y la memoria: "
                       "alrededor de 1 GB por canción de 20 minutos)")
        ->type_name("N");
    command.add_flag("-q,--quiet", quiet, "Sin progreso en la salida de errores");
}

void exportOptions(CLI::App& command, std::string& outputFolder, RawOptions& raw)
{
    command.add_option("-o,--salida", outputFolder,
                       "Carpeta donde se crea un paquete por canción (por defecto, la carpeta de salida de la "
                       "ventana)")
        ->type_name("CARPETA");
    command.add_option("-c,--candidato", raw.rank, "Exporta el candidato con este puesto (1, el mejor, por defecto)")
        ->type_name("N");
    command.add_option("-a,--inicio", raw.start, "Corte A a mano: inicio del loop, en segundos")->type_name("SEG");
    command.add_option("-b,--fin", raw.end, "Corte B a mano: fin del loop, en segundos")->type_name("SEG");
    command.add_option("-f,--final", raw.outro, "Corte O a mano: inicio del final, en segundos")->type_name("SEG");
    command.add_option("-p,--puente", raw.fadeMs, "Fundido de cada unión, de 5 a 250 ms (60 por defecto)")
        ->type_name("MS");
    command.add_option("-n,--repeticiones", raw.repetitions, "Repeticiones del loop en el montaje, de 1 a 100 (2 "
                                                             "por defecto)")
        ->type_name("N");
    command.add_option("-d,--duracion", raw.target,
                       "Duración objetivo del montaje (m:ss, m:ss.fff o segundos): elige las repeticiones que más "
                       "se acercan")
        ->type_name("DURACION")
        ->each([&raw](const std::string&) { raw.targetGiven = true; });
    command.add_flag("-e,--exacta", raw.exact,
                     "Termina el montaje justo en la duración objetivo, con un fundido de salida");
}

CliParse usageError(const std::string& message)
{
    return {std::nullopt, "tamrel: " + message + "\nConsulta tamrel --help.\n", 2};
}

std::string spanishParseError(const CLI::ParseError& error)
{
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr)
        return "Argumentos que no se reconocen.";
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr)
        return "Indica una orden (analizar o exportar) y al menos una cancion o carpeta.";
    return "Opcion mal escrita o sin su valor.";
}

} // namespace

CliParse parseCommandLine(const std::vector<std::string>& args, const std::string& version)
{
    CLI::App app{"Tamrel Orvane: analiza canciones y exporta sus loops sin costuras.", "tamrel"};
    spanishLabels(app);
    app.option_defaults()->group("Opciones");
    app.set_help_flag("-h,--help", "Muestra esta ayuda y termina");
    app.set_version_flag("--version", "tamrel " + version, "Muestra la versión y termina");
    app.require_subcommand(1);

    CliRequest request;
    RawOptions raw;
    CLI::App* analyse = app.add_subcommand(
        "analizar", "Analiza cada canción y escribe en la salida una línea JSON con su tempo, compás y candidatos de loop");
    analyse->group("Órdenes");
    commonOptions(*analyse, request.inputs, raw, request.quiet);
    CLI::App* exporting = app.add_subcommand(
        "exportar", "Exporta un paquete por canción (inicio, loop, final, montaje, uniones y JSON) y escribe su ruta");
    exporting->group("Órdenes");
    commonOptions(*exporting, request.inputs, raw, request.quiet);
    exportOptions(*exporting, request.outputFolder, raw);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    if (!reversed.empty())
        reversed.pop_back();  // the program's own name
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return {std::nullopt, app.help(), 0};
    } catch (const CLI::CallForAllHelp&) {
        return {std::nullopt, app.help("", CLI::AppFormatMode::All), 0};
    } catch (const CLI::CallForVersion&) {
        return {std::nullopt, "tamrel " + version + "\n", 0};
    } catch (const CLI::ParseError& error) {
        return usageError(spanishParseError(error));
    }

    request.command = exporting->parsed() ? CliCommand::Export : CliCommand::Analyse;
    try {
        if (!raw.jobs.empty())
            request.jobs = wholeNumber(raw.jobs, 1, 1024, kJobsMessage);
        if (request.command == CliCommand::Export)
            applyExportOptions(raw, request.choice);
    } catch (const std::runtime_error& error) {
        return usageError(error.what());
    }
    return {request, {}, 0};
}
