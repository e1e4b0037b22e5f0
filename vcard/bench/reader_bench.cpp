// Reading and mapping throughput over generated files of many cards, with
// CR LF and with LF line ends; 100,000 and 200,000 cards show how the time
// grows with the file.
#include "vcard/reader.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>

namespace {

std::string MakeFile(int cards, bool crlf) {
    const char* eol = crlf ? "\r\n" : "\n";
    std::string text;
    text.reserve(static_cast<size_t>(cards) * 520);
    for (int i = 0; i < cards; ++i) {
        const std::string n = std::to_string(i);
        auto line = [&](const std::string& l) {
            text += l;
            text += eol;
        };
        line("BEGIN:VCARD");
        line(i % 2 ? "VERSION:3.0" : "VERSION:2.1");
        line("N:Surname" + n + ";Given;Middle;Dr.;Jr.");
        line("FN:Given Middle Surname" + n + " Jr.");
        line("ORG:Company " + n + ";Department");
        line("TITLE:Engineer");
        line("NOTE;ENCODING=QUOTED-PRINTABLE:A note about contact " + n +
             " that is long enough to w=");
        line("rap onto a second line=0D=0Awith a line break in it.");
        line("TEL;WORK:+1 555 0100 " + n);
        line("TEL;HOME:+1 555 0101");
        line("TEL;CELL:+1 555 0102");
        line("ADR;WORK:;Room 5;1 Main Street;Springfield;ST;12345;USA");
        line("ADR;HOME:;;2 Side Road;Shelbyville;ST;54321;USA");
        line("URL;WORK:http://example.com/" + n);
        line("BDAY:19800315");
        line("EMAIL;PREF;INTERNET:contact" + n + "@example.com");
        line("X-OUTL-CATEGORIES:Business, Personal");
        line("REV:20050516T134110");
        line("END:VCARD");
    }
    return text;
}

const std::string& File(int cards, bool crlf) {
    static std::map<std::pair<int, bool>, std::string> files;
    auto& f = files[{cards, crlf}];
    if (f.empty())
        f = MakeFile(cards, crlf);
    return f;
}

void BM_ReadAndMap(benchmark::State& state) {
    const int cards = static_cast<int>(state.range(0));
    const bool crlf = state.range(1) != 0;
    const std::string& text = File(cards, crlf);
    size_t read = 0;
    for (auto _ : state) {
        read = vcard::CardReader::ForEachRecord(
            text, 11, [](const vcard::CardRecord& r) { benchmark::DoNotOptimize(r.LastName); });
        benchmark::DoNotOptimize(read);
    }
    if (read != static_cast<size_t>(cards))
        state.SkipWithError("wrong number of cards");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
    state.counters["cards/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * cards,
                                                   benchmark::Counter::kIsRate);
    state.SetLabel(crlf ? "CR LF" : "LF");
}

BENCHMARK(BM_ReadAndMap)
    ->ArgNames({"cards", "crlf"})
    ->Args({100000, 1})
    ->Args({100000, 0})
    ->Args({200000, 1})
    ->Args({200000, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
