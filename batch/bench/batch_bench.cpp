// Export and import of 10,000 and 100,000 contacts with the in-memory
// stand-in and a temporary directory. Every contact has a name and a company,
// so each card's duplicate search looks at a handful of contacts.
#include "batch/export_run.h"
#include "batch/import_run.h"
#include "standin/standin.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

namespace {

// Runs without a window: the bar is of no interest here.
class Silent : public batch::ProgressDialog {
public:
    bool Start(batch::WindowHandle) override { return true; }
    void SetCaption(int32_t) override {}
    void SetTotal(int32_t) override {}
    void SetPosition(int32_t) override {}
    bool IsCancelled() override { return false; }
    void End() override {}
};

std::filesystem::path NewDir() {
    std::random_device rd;
    auto p = std::filesystem::temp_directory_path() / ("tp_batch_bench_" + std::to_string(rd()));
    std::filesystem::create_directories(p);
    return p;
}

std::u16string Number(int i) {
    std::string s = std::to_string(i);
    return std::u16string(s.begin(), s.end());
}

void Fill(standin::StandIn& store, int n) {
    for (int i = 0; i < n; ++i) {
        store.AddContact(store.Contacts(), {{u"FirstName", u"First" + Number(i)},
                                            {u"LastName", u"Last" + Number(i)},
                                            {u"CompanyName", u"Company " + Number(i % 97)},
                                            {u"BusinessTelephoneNumber", u"+1 555 " + Number(i)},
                                            {u"Email1Address", u"p" + Number(i) + u"@example.com"},
                                            {u"BusinessAddressCity", u"Springfield"}});
    }
}

void BM_Export(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool oneFile = state.range(1) != 0;
    standin::StandIn store;
    Fill(store, n);
    Silent silent;
    for (auto _ : state) {
        state.PauseTiming();
        auto dir = NewDir();
        batch::ExportRun run;
        run.SetProgress(&silent);
        state.ResumeTiming();
        benchmark::DoNotOptimize(run.ExportFolder(dir.string(), store.Contacts(), "2.1", oneFile));
        state.PauseTiming();
        if (run.Counts().contacts != n)
            state.SkipWithError("not every contact was exported");
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
    state.counters["contacts/s"] =
        benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

// range(1): 0 into an empty folder, 1 again into the folder that holds the
// cards (all identical), 2 the same with ReplaceExisting.
void BM_Import(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int mode = static_cast<int>(state.range(1));
    Silent silent;
    auto cards = NewDir();
    {
        standin::StandIn source;
        Fill(source, n);
        batch::ExportRun run;
        run.SetProgress(&silent);
        run.ExportFolder(cards.string(), source.Contacts(), "2.1", true);
    }
    for (auto _ : state) {
        state.PauseTiming();
        standin::StandIn store;
        batch::ImportRun run(11);
        run.SetProgress(&silent);
        if (mode != 0)
            run.ImportDirectory(cards.string(), store.Contacts(), batch::DuplicateContacts);
        batch::ConflictResolution policy =
            mode == 2 ? batch::ReplaceExisting : batch::DuplicateContacts;
        state.ResumeTiming();
        benchmark::DoNotOptimize(run.ImportDirectory(cards.string(), store.Contacts(), policy));
        state.PauseTiming();
        long expectedSaved = mode == 0 ? n : 0;
        if (run.Counts().saved != expectedSaved || run.Counts().cards != n)
            state.SkipWithError("unexpected counts");
        state.ResumeTiming();
    }
    std::filesystem::remove_all(cards);
    state.counters["cards/s"] =
        benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Export)
    ->ArgsProduct({{10000, 100000}, {0, 1}})
    ->ArgNames({"contacts", "onefile"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)
    ->ArgsProduct({{10000, 100000}, {0, 1, 2}})
    ->ArgNames({"cards", "mode"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
