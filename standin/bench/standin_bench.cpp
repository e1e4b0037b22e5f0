// The stand-in at the size of a large contacts folder: 100,000 contacts
// saved one by one, the import's per-card search in such a folder, and the
// opening of such a store.
#include "standin/standin.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

using outlook::ContactItem;
using outlook::Items;
using standin::StandIn;

namespace {

constexpr int kContacts = 100000;

std::u16string Number(int i) {
    std::u16string s;
    const std::string n = std::to_string(i);
    s.assign(n.begin(), n.end());
    return s;
}

void Fill(const Items& items, int n) {
    for (int i = 0; i < n; ++i) {
        ContactItem c = items.AddContact();
        c.SetText(u"FirstName", u"First" + Number(i));
        c.SetText(u"LastName", u"Last" + Number(i % 5000));
        c.SetText(u"CompanyName", u"Company" + Number(i % 700));
        c.SetText(u"Email1Address", u"person" + Number(i) + u"@example.com");
        c.Save();
    }
}

std::string StorePath(const char* name) {
    return "/tmp/tp_standin_bench_" + std::to_string(getpid()) + "_" + name + ".db";
}

void RemoveStore(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm"})
        std::remove((path + suffix).c_str());
}

void BM_SaveOneByOne_Memory(benchmark::State& state) {
    for (auto _ : state) {
        StandIn s;
        Fill(s.Contacts().GetItems(), kContacts);
        benchmark::DoNotOptimize(s.Contacts().GetItems().Count());
    }
    state.SetItemsProcessed(state.iterations() * kContacts);
}
BENCHMARK(BM_SaveOneByOne_Memory)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SaveOneByOne_Store(benchmark::State& state) {
    const std::string path = StorePath("save");
    for (auto _ : state) {
        RemoveStore(path);
        std::string error;
        auto s = StandIn::OpenStore(path, u"11.0.0.8010", &error);
        if (!s) {
            state.SkipWithError(error.c_str());
            break;
        }
        Fill(s->Contacts().GetItems(), kContacts);
    }
    RemoveStore(path);
    state.SetItemsProcessed(state.iterations() * kContacts);
}
BENCHMARK(BM_SaveOneByOne_Store)->Unit(benchmark::kMillisecond)->Iterations(1);

// The import's search for one card: fetch the items, restrict by full name
// and company, count the matches.
void BM_RestrictNameAndCompany(benchmark::State& state) {
    StandIn s;
    Fill(s.Contacts().GetItems(), kContacts);
    outlook::MAPIFolder folder = s.Contacts();
    int i = 0;
    for (auto _ : state) {
        const int k = (i++ * 7919) % kContacts;
        const std::u16string filter = u"[FullName] = \"First" + Number(k) + u" Last" +
                                      Number(k % 5000) + u"\" AND [CompanyName] = \"company" +
                                      Number(k % 700) + u"\"";
        Items found = folder.GetItems().Restrict(filter);
        if (found.Count() != 1)
            state.SkipWithError("the search did not find its contact");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RestrictNameAndCompany)->Unit(benchmark::kMicrosecond);

void BM_OpenStore(benchmark::State& state) {
    const std::string path = StorePath("open");
    RemoveStore(path);
    std::string error;
    {
        auto s = StandIn::OpenStore(path, u"11.0.0.8010", &error);
        if (!s) {
            state.SkipWithError(error.c_str());
            return;
        }
        Fill(s->Contacts().GetItems(), kContacts);
    }
    for (auto _ : state) {
        auto s = StandIn::OpenStore(path, u"11.0.0.8010", &error);
        if (!s || s->Contacts().GetItems().Count() != kContacts) {
            state.SkipWithError("the store did not open whole");
            break;
        }
    }
    RemoveStore(path);
}
BENCHMARK(BM_OpenStore)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
