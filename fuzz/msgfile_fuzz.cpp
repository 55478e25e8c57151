// Message files: the header, the block search over the index and the texts.
#include <sys/stat.h>

#include <cstdlib>

#include "fuzz/fuzz_file.h"
#include "msg/msg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad;
    if (size > 1 << 16) return 0;
    static const bool ready = [] {
        std::string inst = fuzz::scratch_dir();
        std::string dir = inst + "/msg";
        mkdir(dir.c_str(), 0700);
        setenv("VELMORADDIR", inst.c_str(), 1);
        setenv("QMX_FREE_FD", "1", 1);  // every look-up reads the new input
        setenv("DBLANG", kEnglishLocale, 1);
        return true;
    }();
    (void)ready;
    fuzz::write_input(fuzz::scratch_dir() + "/msg/os.tmf", data, size);
    char buf[160];
    int len = 0;
    for (int number : {-1211, 1, -32768, 32767, 70000, -70000}) {
        (void)rgetlmsg(number, buf, sizeof buf, &len);
    }
    return 0;
}
