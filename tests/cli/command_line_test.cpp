#include <gtest/gtest.h>

#include "cli/command_line.h"

namespace {

CliParse parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "tamrel");
    return parseCommandLine(args, "9.8.7");
}

TEST(CommandLine, UsageErrorsExitTwoWithTheirMessageAndNoRequest)
{
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{}, "analizar o exportar"},
        {{"analizar"}, "analizar o exportar"},
        {{"borrar", "a.wav"}, "analizar o exportar"},
        {{"analizar", "--salida", "x", "a.wav"}, "no se reconocen"},  // exporting only
        {{"exportar", "-a", "10", "-b", "5", "-f", "40", "a.wav"}, "Cortes invalidos"},
        {{"exportar", "-a", "8", "-b", "40", "-f", "39", "a.wav"}, "Cortes invalidos"},  // O before B
        {{"exportar", "-a", "0.01", "-b", "40", "-f", "40", "a.wav"}, "Cortes invalidos"},  // A within the fade
        {{"exportar", "-a", "nan", "-b", "40", "-f", "40", "a.wav"}, "Introduce numeros validos"},
        {{"exportar", "-a", "8s", "-b", "40", "-f", "40", "a.wav"}, "Introduce numeros validos"},
        {{"exportar", "-a", "8", "-f", "40", "a.wav"}, "necesitan los tres"},
        {{"exportar", "-c", "2", "-a", "8", "-b", "40", "-f", "40", "a.wav"}, "no ambos"},
        {{"exportar", "-p", "4", "a.wav"}, "Fundido: 5 a 250 ms"},
        {{"exportar", "-p", "251", "a.wav"}, "Fundido: 5 a 250 ms"},
        {{"exportar", "-n", "101", "a.wav"}, "Repeticiones: entre 1 y 100."},
        {{"exportar", "-n", "2.5", "a.wav"}, "Repeticiones: entre 1 y 100."},
        {{"exportar", "-c", "0", "a.wav"}, "Candidato"},
        {{"exportar", "-d", "2:3x", "a.wav"}, "Duracion objetivo: escribe m:ss"},
        {{"exportar", "-d", "0", "a.wav"}, "Duracion objetivo: escribe m:ss"},
        {{"exportar", "-d", "", "a.wav"}, "Duracion objetivo: escribe m:ss"},
        {{"exportar", "-d", "2:30", "-n", "3", "a.wav"}, "no ambas"},
        {{"exportar", "-e", "a.wav"}, "--exacta necesita"},
        {{"analizar", "-j", "0", "a.wav"}, "Trabajos"},
        {{"analizar", "-j", "dos", "a.wav"}, "Trabajos"},
        {{"analizar", "-j"}, "Opcion mal escrita"},
    };
    for (const Case& c : cases) {
        const CliParse result = parse(c.args);
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_FALSE(result.request);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.text.rfind("tamrel: ", 0), 0u) << result.text;
        EXPECT_NE(result.text.find(c.message), std::string::npos) << result.text;
    }
}

TEST(CommandLine, HelpOnEveryCommandAndVersionGoToTheOutputWithExitZero)
{
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"analizar", "--help"},
                                                                  {"exportar", "-h"}}) {
        const CliParse result = parse(args);
        EXPECT_FALSE(result.request);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_NE(result.text.find("Uso:"), std::string::npos) << result.text;
    }
    EXPECT_NE(parse({"--help"}).text.find("exportar"), std::string::npos);
    const std::string exportHelp = parse({"exportar", "--help"}).text;
    for (const char* option : {"--salida", "--candidato", "--inicio", "--fin", "--final", "--puente",
                               "--repeticiones", "--duracion", "--exacta", "--jobs", "--quiet"})
        EXPECT_NE(exportHelp.find(option), std::string::npos) << option;
    EXPECT_EQ(parse({"--version"}).text, "tamrel 9.8.7\n");
}

TEST(CommandLine, ExportDefaultsAreTheWindowsAndHandCutsReadCommas)
{
    const CliParse plain = parse({"exportar", "a.wav", "carpeta"});
    ASSERT_TRUE(plain.request);
    EXPECT_EQ(plain.request->command, CliCommand::Export);
    EXPECT_EQ(plain.request->inputs, (std::vector<std::string>{"a.wav", "carpeta"}));
    EXPECT_EQ(plain.request->choice.rank, 1);
    EXPECT_EQ(plain.request->choice.fadeSeconds, 0.06);
    EXPECT_EQ(plain.request->choice.repetitions, 2);
    EXPECT_FALSE(plain.request->choice.start);
    EXPECT_EQ(plain.request->jobs, 0);
    EXPECT_TRUE(plain.request->outputFolder.empty());

    const CliParse hand = parse({"exportar", "-q", "-j", "3", "-o", "salida ñ", "--inicio", "8,25", "--fin",
                                 "40", "--final", "4.2e1", "--puente", "35", "-n", "7", "canción.wav"});
    ASSERT_TRUE(hand.request);
    EXPECT_TRUE(hand.request->quiet);
    EXPECT_EQ(hand.request->jobs, 3);
    EXPECT_EQ(hand.request->outputFolder, "salida ñ");
    EXPECT_EQ(*hand.request->choice.start, 8.25);
    EXPECT_EQ(*hand.request->choice.end, 40.0);
    EXPECT_EQ(*hand.request->choice.outro, 42.0);
    EXPECT_DOUBLE_EQ(hand.request->choice.fadeSeconds, 0.035);
    EXPECT_EQ(hand.request->choice.repetitions, 7);
    EXPECT_EQ(parse({"exportar", "-c", "3", "a.wav"}).request->choice.rank, 3);
    EXPECT_FALSE(plain.request->choice.target);

    const CliParse closest = parse({"exportar", "--duracion", "2:37,5", "a.wav"});
    ASSERT_TRUE(closest.request && closest.request->choice.target);
    EXPECT_EQ(closest.request->choice.target->seconds, 157.5);
    EXPECT_FALSE(closest.request->choice.target->exact);
    const CliParse exact = parse({"exportar", "-d", "90", "--exacta", "a.wav"});
    ASSERT_TRUE(exact.request && exact.request->choice.target);
    EXPECT_EQ(exact.request->choice.target->seconds, 90.0);
    EXPECT_TRUE(exact.request->choice.target->exact);
    EXPECT_EQ(parse({"analizar", "a.wav"}).request->command, CliCommand::Analyse);
}

} // namespace
