// A counting host for the locale library: installs allocation and open
// services that count their calls and can fail the Nth one, so a test can
// walk every out-of-memory and unopenable-file path of a reader in a loop.
// tests/support/oom_walk.h is that loop for allocations.
#pragma once

namespace gls::testing {

class FailingHost {
  public:
    // Installs the counting services over whatever was installed before;
    // only one may exist at a time.
    FailingHost();
    // Puts the previous services back.
    ~FailingHost();
    FailingHost(const FailingHost &) = delete;
    FailingHost &operator=(const FailingHost &) = delete;

    // Fails the nth allocation (malloc, calloc and realloc counted together)
    // or the nth open from now on; 0 fails none. Resets the counts.
    void fail_allocation(long n);
    void fail_open(long n);

    // Whether the chosen call was reached and failed.
    bool failed() const;
    long allocations() const;
    long opens() const;
    // Blocks allocated and not yet released, streams opened and not closed,
    // counting only what passed through this host. Opens of the diagnostic
    // log count too, so keep GLSLOG unset when counting opens.
    long live_blocks() const;
    long open_streams() const;
};

}  // namespace gls::testing
