// The out-of-memory walk: runs an operation under the failing host with its
// first, second, third, ... allocation failing until a run needs no failed
// allocation, and after each run (its result released) checks that nothing
// it allocated or opened is left.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/support/failing_host.h"

namespace gls::testing {

// Far more allocations than any one operation of the library makes.
inline constexpr long kWalkLimit = 100000;

// `prepare()` runs under the host before the failure is armed (its
// allocations are counted but never fail); `run()` returns a result that
// owns whatever the operation made; `check(result, failed)` sees it while
// it is alive, with whether this run met the failed allocation. Returns the
// number of runs that met one, for callers that expect some.
template <class Prepare, class Run, class Check>
long walk_allocation_failures(Prepare &&prepare, Run &&run, Check &&check) {
    long failures = 0;
    for (long n = 1; n <= kWalkLimit; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " failing");
        FailingHost host;
        bool failed = false;
        {
            prepare();
            host.fail_allocation(n);
            auto result = run();
            failed = host.failed();
            check(result, failed);
        }
        EXPECT_EQ(host.live_blocks(), 0);
        EXPECT_EQ(host.open_streams(), 0);
        if (!failed) return failures;
        ++failures;
    }
    ADD_FAILURE() << "the operation still allocated after " << kWalkLimit << " runs";
    return failures;
}

template <class Run, class Check>
long walk_allocation_failures(Run &&run, Check &&check) {
    return walk_allocation_failures([] {}, std::forward<Run>(run), std::forward<Check>(check));
}

}  // namespace gls::testing
