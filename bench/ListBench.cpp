// The result list's own work on 100,000 files through the in-memory control,
// natively: what the window's commands cost before any drawing.
//
//     build/linux/bench/vesk_list_bench
#include "core/ColumnTable.h"
#include "results/ResultList.h"
#include "tests/results/MemoryListControl.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int kFiles = 100'000;

// A list of kFiles files with the default columns and made-up digests.
struct FilledList {
    vesk::ViewState view;
    vesk::test::MemoryListControl control;
    vesk::ResultList list{control, view};

    FilledList() {
        list.CreateColumns();
        uint32_t x = 1;
        for (int i = 0; i < kFiles; ++i) {
            const std::wstring name = L"f" + std::to_wstring(i) + L".bin";
            vesk::FileResult result{
                name, std::make_shared<vesk::FileRecord>(vesk::FileRecord{1, 1, name}), {}};
            for (uint32_t p = 1; p < vesk::kColumnCount; ++p) {
                if (!vesk::EntryShown(view.columns.Get(int(p))))
                    continue;
                std::wstring digest;
                for (int d = 0; d < 32; ++d) {
                    x = x * 1103515245 + 12345;
                    digest += L"0123456789abcdef"[(x >> 16) & 15];
                }
                result.values.push_back({vesk::ColumnIdAtPosition(int(p)), digest});
            }
            list.AddResult(result);
        }
    }
};

template <typename Operation>
void Run(benchmark::State& state, Operation operation) {
    for (auto _ : state) {
        state.PauseTiming();
        auto filled = std::make_unique<FilledList>();
        state.ResumeTiming();
        operation(*filled);
        state.PauseTiming();
        filled.reset();
        state.ResumeTiming();
    }
}

void DeleteAll(benchmark::State& state) {
    Run(state, [](FilledList& f) {
        f.list.SelectAll();
        f.list.DeleteSelectedRows();
    });
}
void FindKeystroke(benchmark::State& state) {
    Run(state, [](FilledList& f) { benchmark::DoNotOptimize(f.list.RunFind(L"a")); });
}
void SortByName(benchmark::State& state) {
    Run(state, [](FilledList& f) { f.list.SortByColumn(0); });
}
void SwitchViewTwice(benchmark::State& state) {
    Run(state, [](FilledList& f) {
        for (int i = 0; i < 2; ++i) {
            f.view.viewFlags ^= vesk::kViewSheet;
            f.list.RebuildView();
        }
    });
}
void Uppercase(benchmark::State& state) {
    Run(state, [](FilledList& f) {
        f.view.viewFlags |= vesk::kViewUppercase;
        f.list.RecaseValues();
    });
}

} // namespace

BENCHMARK(DeleteAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FindKeystroke)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SortByName)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SwitchViewTwice)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Uppercase)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
