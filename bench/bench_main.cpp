// radius_bench: every figure of the performance document in one run, each
// beside its baseline.  ./dev bench builds the optimised preset and runs it.
#include <benchmark/benchmark.h>

#include "bench/bench_support.hpp"
#include "sim/radsim.h"

namespace radbench {
void register_call_ratios();
void register_displays();
void register_replays();
void register_processes();
}  // namespace radbench

int main(int argc, char **argv) {
    // First, before this process grows: the peak of a child is read here.
    if (argc > 2 && argv[1] == radbench::peak_option) return radbench::peak_of_child(argv + 2);
    // As in the shell: no call log, which would grow with every command;
    // the call-ratio rows switch it on for their one command.
    radsim::set_call_log(false);
    radbench::drop_reports();
    radbench::register_call_ratios();
    radbench::register_displays();
    radbench::register_replays();
    radbench::register_processes();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
