// The running-configuration generator, which the pending and difference
// texts render with.  It is one of this library's exported routines and
// lives in its own subsystem, whose headers a subsystem does not include;
// so it is declared here once more.  tests/distr_test.cpp includes this
// declaration beside the generator's own, where any difference between the
// two fails to compile.
#pragma once

#include "abi/radius_records.h"

extern "C" RADIUS_EXPORT int32_t radius_new_pss_asciigen(cmd_paraminfo *info, int32_t pending, uint32_t full);
