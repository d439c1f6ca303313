// What both fuzz targets do around their inputs: silence what the handlers
// print (it would slow every run), keep no call log (it would grow with
// every run), and end the run loudly on a fault, so that libFuzzer keeps
// the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "sim/radsim.h"

namespace fuzz {

[[noreturn]] inline void fail(const char *target, const char *what) {
    std::fprintf(stderr, "%s: %s\n", target, what);
    std::abort();
}

inline void prepare(const char *target) {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) fail(target, "cannot silence stdout");
    radsim::set_call_log(false);
}

inline void check_contract(const char *target) {
    if (!radsim::contract_violations().empty()) fail(target, radsim::contract_violations().front().c_str());
}

}  // namespace fuzz
