// msgcomp's message source reader, its checks and the file layout.
#include <map>

#include "fuzz/fuzz_file.h"
#include "tools/msgcomp/msgcomp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using namespace velmorad::tools;
    if (size > 1 << 16) return 0;
    std::string path = velmorad::fuzz::scratch_dir() + "/in.msg";
    velmorad::fuzz::write_input(path, data, size);
    std::vector<SourceMessage> messages;
    if (read_message_source(path, &messages) && check_messages(messages)) {
        std::map<std::string, std::string> files;
        (void)build_message_files(messages, &files);
    }
    return 0;
}
