// Which message file holds which numbers. msgcomp splits the message
// sources with this same table, so the two can never disagree.
#include "msg/msg.h"

namespace velmorad {

// Component codes name the part of the product that owns a range.
const MsgRange kMsgRanges[] = {
    {1, 33500, 33599, "envcheck.tmf"},
    {2, 32765, 32766, "msgsvc.tmf"},
    {3, 23100, 23199, "gls.tmf"},
    {3, 34394, 34394, "gls.tmf"},
    {0, 0, 0, nullptr},
};

const MsgRange *_mfqmx = kMsgRanges;
const char *const kMsgDefaultLeaf = "os.tmf";

int rmkmsgleafname(int number, const char **leaf) {
    for (const MsgRange *row = _mfqmx; row->component != 0; ++row) {
        if (row->low <= number && row->high >= number) {
            *leaf = row->leaf;
            return 0;
        }
    }
    *leaf = kMsgDefaultLeaf;
    return -3;
}

}  // namespace velmorad
