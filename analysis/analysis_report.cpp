#include "analysis/analysis_report.h"

#include <locale>
#include <sstream>

#include "analysis/analysis_model.h"

// Six lines, one line feed each:
//   {
//   "engine":"...","bpm":..,"bpmLow":..,"bpmHigh":..,"meter":..,"confidence":..,
//   "beats":[{...},...],
//   "connections":[{...},...],
//   "loops":[{...},...]
//   }
// No blank outside the engine text. Numbers are %.9g in the classic locale,
// so the file reads the same whatever the user's regional settings are.

namespace {

// Writes "key":value pairs, inserting the comma between pairs.
struct ObjectWriter {
    std::ostream& out;
    bool first = true;

    std::ostream& key(const char* name)
    {
        if (!first)
            out << ',';
        first = false;
        return out << '"' << name << "\":";
    }
    void number(const char* name, double value) { key(name) << value; }
    void integer(const char* name, int32_t value) { key(name) << value; }
};

void writeBeat(std::ostream& out, const Beat& beat)
{
    out << '{';
    ObjectWriter w{out};
    w.number("time", beat.time);
    w.number("duration", beat.duration);
    w.number("bpm", beat.bpm);
    w.integer("phase", beat.phase);
    w.number("confidence", static_cast<double>(beat.confidence));
    w.number("downbeatProbability", static_cast<double>(beat.downbeatProbability));
    out << '}';
}

void writeConnection(std::ostream& out, const Connection& connection)
{
    out << '{';
    ObjectWriter w{out};
    w.integer("from", connection.from);
    w.integer("to", connection.to);
    w.number("score", static_cast<double>(connection.score));
    w.number("harmony", static_cast<double>(connection.harmony));
    w.number("timbre", static_cast<double>(connection.timbre));
    out << '}';
}

void writeLoop(std::ostream& out, const Loop& loop)
{
    out << '{';
    ObjectWriter w{out};
    w.number("start", loop.start);
    w.number("end", loop.end);
    w.number("outro", loop.outro);
    w.number("score", loop.score);
    w.integer("bars", loop.bars);
    w.integer("startBeat", loop.startBeat);
    w.integer("endBeat", loop.endBeat);
    w.integer("outroBeat", loop.outroBeat);
    w.number("harmony", loop.harmony);
    w.number("timbre", loop.timbre);
    w.number("rhythm", loop.rhythm);
    out << '}';
}

template <typename Record, typename WriteFn>
void writeArray(std::ostream& out, const char* name, const std::vector<Record>& records, WriteFn write)
{
    out << '"' << name << "\":[";
    for (size_t i = 0; i < records.size(); ++i) {
        if (i > 0)
            out << ',';
        write(out, records[i]);
    }
    out << ']';
}

} // namespace

std::string analysisReport(const Analysis& analysis)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(9);

    out << "{\n";
    ObjectWriter header{out};
    // The family of the model that made the analysis, fresh or cached alike.
    header.key("engine") << '"'
                         << (analysis.model == BeatModelKind::StandIn ? "Stand-in tempo tracker / ONNX CPU"
                                                                      : "Beat This! transformer / ONNX CPU")
                         << '"';
    header.number("bpm", analysis.bpm);
    header.number("bpmLow", analysis.bpmLow);
    header.number("bpmHigh", analysis.bpmHigh);
    header.integer("meter", analysis.meter);
    header.number("confidence", analysis.confidence);
    out << ",\n";
    writeArray(out, "beats", analysis.beats, writeBeat);
    out << ",\n";
    writeArray(out, "connections", analysis.connections, writeConnection);
    out << ",\n";
    writeArray(out, "loops", analysis.loops, writeLoop);
    out << "\n}\n";
    return std::move(out).str();
}
