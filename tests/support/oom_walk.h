// The out-of-memory walk: runs an operation under the failing host with its
// first, second, third, ... allocation failing until a run needs no failed
// allocation, and after each run (its result released) checks that nothing
// it allocated or opened is left.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>

#include "tests/support/failing_host.h"

namespace gls::testing {

// Far more allocations than any one operation of the library makes.
inline constexpr long kWalkLimit = 100000;

// Arms the chosen failure; handed to runs whose set-up must not fail.
using Arm = std::function<void()>;

// `run()` returns a result that owns whatever the operation made; a run
// that takes an Arm is armed by calling it (after its set-up), any other is
// armed before it starts. `check(result, failed)` sees the result while it
// is alive, with whether this run met the failed allocation. Returns the
// number of runs that met one, for callers that expect some.
template <class Run, class Check>
long walk_allocation_failures(Run &&run, Check &&check) {
    long failures = 0;
    for (long n = 1; n <= kWalkLimit; ++n) {
        SCOPED_TRACE("allocation " + std::to_string(n) + " failing");
        FailingHost host;
        const Arm arm = [&host, n] { host.fail_allocation(n); };
        bool failed = false;
        {
            auto result = [&] {
                if constexpr (std::is_invocable_v<Run &, const Arm &>) {
                    return run(arm);
                } else {
                    arm();
                    return run();
                }
            }();
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

}  // namespace gls::testing
