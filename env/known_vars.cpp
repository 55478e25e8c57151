// The table of known variables: the constant defaults and the working table
// built from them once per process.
#include <array>
#include <cstdlib>
#include <cstring>

#include "env/env.h"
#include "os_layer/os_layer.h"

namespace velmorad {

// Callers pass a variable's position as a constant, so rows never move.
constexpr DefaultVal Inf_DVals[Num_DVals + 1] = {
    {"ACCEPTKEY", nullptr, 0},                      // 0
    {"AC_PROG", nullptr, 0},                        // 1
    {"AFDEBUG", nullptr, 0},                        // 2
    {"AFSTACK_FRAME_METHOD", nullptr, 0},           // 3
    {"AFTOMSGLOG", nullptr, 0},                     // 4
    {"AIO_TRACE", nullptr, 0},                      // 5
    {"UVO_NEW_DRIVER", nullptr, 0},                 // 6
    {"ANSIOWNER", nullptr, 0},                      // 7
    {"ARCHIVE_DELAY", nullptr, 0},                  // 8
    {"ARCHIVE_TEST", nullptr, 0},                   // 9
    {"ASFDEBUG", nullptr, 0},                       // 10
    {"ASF_C", nullptr, 0},                          // 11
    {"ASF_G", nullptr, 0},                          // 12
    {"ASF_L", nullptr, 0},                          // 13
    {"ASF_S", nullptr, 0},                          // 14
    {"ASF_NT_POLL_TIMEOUT", nullptr, 0},            // 15
    {"ASF_NT_THREAD_TYPE", nullptr, 0},             // 16
    {"BAR_LOGCHECK", nullptr, 0},                   // 17
    {"BAR_TEST_FREQ", nullptr, 0},                  // 18
    {"BIG_FET_BUF_SIZE", nullptr, 0},               // 19
    {"BLANK_STRINGS_NOT_NULL", nullptr, 0},         // 20
    {"CC8BITLEVEL", nullptr, 0},                    // 21
    {"CCFLAGS", nullptr, 0},                        // 22
    {"CDRCLIENTWAIT", nullptr, 0},                  // 23
    {"CDRDELAYSTART", nullptr, 0},                  // 24
    {"CDRFAULT", nullptr, 0},                       // 25
    {"CDRNIFDELAY", nullptr, 0},                    // 26
    {"CDRSITES_731", nullptr, 0},                   // 27
    {"CDRSITES_92x", nullptr, 0},                   // 28
    {"CDRTEST_FAIL_SYSMASTER", nullptr, 0},         // 29
    {"CDRUDR_NUM_UDRSTATS", nullptr, 0},            // 30
    {"CDR_DDREASYBLOCKPCT", nullptr, 0},            // 31
    {"CDR_DDRLBCOFF", nullptr, 0},                  // 32
    {"CDR_DDRRWDWAIT", nullptr, 0},                 // 33
    {"CDR_DELAYGROUPER", nullptr, 0},               // 34
    {"CDR_DSCLOSEINTERVAL", nullptr, 0},            // 35
    {"CDR_DSDEADLOCKRETRY", nullptr, 0},            // 36
    {"CDR_DSMEMLIMIT_PERSESSION", nullptr, 0},      // 37
    {"CDR_DTCINTERVAL", nullptr, 0},                // 38
    {"CDR_FORCE_UDT_BYTE_COPY", nullptr, 0},        // 39
    {"CDR_GRPCMPSTAT", nullptr, 0},                 // 40
    {"CDR_GRPCMPTRS", nullptr, 0},                  // 41
    {"CDR_GRPFTERNBSZ", nullptr, 0},                // 42
    {"CDR_GRPNOFRAGXL", nullptr, 0},                // 43
    {"CDR_GRPPOOLCSIZE", nullptr, 0},               // 44
    {"CDR_GRPRNORBOPT", nullptr, 0},                // 45
    {"CDR_GRPSHUTONERR", nullptr, 0},               // 46
    {"CDR_GRPSNPRNBSZ", nullptr, 0},                // 47
    {"CDR_GRPTXPOLTRS", nullptr, 0},                // 48
    {"CDR_LOGDELTA", nullptr, 0},                   // 49
    {"CDR_LOG_THRESH", nullptr, 0},                 // 50
    {"CDR_MAXRETRY", nullptr, 0},                   // 51
    {"CDR_NOLONGACKS", nullptr, 0},                 // 52
    {"CDR_NUMCONNECT", nullptr, 0},                 // 53
    {"CDR_NUMSPOOLERS", nullptr, 0},                // 54
    {"CDR_PERFLOG", nullptr, 0},                    // 55
    {"CDR_PT_FLUSHINT", nullptr, 0},                // 56
    {"CDR_PT_MAXDIRTY", nullptr, 0},                // 57
    {"CDR_PT_MAXTXDBOP", nullptr, 0},               // 58
    {"CDR_RMDELAYDS", nullptr, 0},                  // 59
    {"CDR_RMSCALEFACT", nullptr, 0},                // 60
    {"CDR_ROUTER", nullptr, 0},                     // 61
    {"CDR_SQELEMHWM", nullptr, 0},                  // 62
    {"CDR_UDRENVTABSIZE", nullptr, 0},              // 63
    {"CDR_UDRENVTAB_MEMRATIO", nullptr, 0},         // 64
    {"CDR_UDRSINGLESAPIMEMLIM", nullptr, 0},        // 65
    {"CLIENT_LOCALE", nullptr, 0},                  // 66
    {"CLNT_PAM_CAPABLE", nullptr, 0},               // 67
    {"CMP_LESSAGGRESSIVE", nullptr, 0},             // 68
    {"CMP_MOREAGGRESSIVE", nullptr, 0},             // 69
    {"CMP_RMARRSZ", nullptr, 0},                    // 70
    {"CMP_RMLOGTIME", nullptr, 0},                  // 71
    {"CMP_RMMONTIME", nullptr, 0},                  // 72
    {"CMP_RMMONWT", nullptr, 0},                    // 73
    {"COLLCHAR", nullptr, 0},                       // 74
    {"COMSPEC", nullptr, 0},                        // 75
    {"CR_LOCKBLOB", nullptr, 0},                    // 76
    {"CURRENT_TAVEX_ID", nullptr, 0},               // 77
    {"PVNCLI", nullptr, 0},                         // 78
    {"DBACCNOIGN", nullptr, 0},                     // 79
    {"DBALSBC", nullptr, 0},                        // 80
    {"DBANSIWARN", nullptr, 0},                     // 81
    {"DBAPICODE", nullptr, 0},                      // 82
    {"DBASCIIBC", nullptr, 0},                      // 83
    {"DBBLOBBUF", nullptr, 0},                      // 84
    {"DBCENTURY", nullptr, 0},                      // 85
    {"DBCODESET", nullptr, 0},                      // 86
    {"DBCOLOR", nullptr, 0},                        // 87
    {"DBCONNECT", nullptr, 0},                      // 88
    {"DBCSCONV", nullptr, 0},                       // 89
    {"DBCSOVERRIDE", nullptr, 0},                   // 90
    {"DBDATE", nullptr, 0},                         // 91
    {"DBDEFAULTMODE", nullptr, 0},                  // 92
    {"DBDELIMITER", "|", 0},                        // 93
    {"DBEDIT", nullptr, 0},                         // 94
    {"DBESCWT", nullptr, 0},                        // 95
    {"DBFORM", nullptr, 0},                         // 96
    {"DBFORMAT", nullptr, 0},                       // 97
    {"DBLANG", nullptr, 0},                         // 98
    {"DBMAXPROC", nullptr, 0},                      // 99
    {"DBMENU", nullptr, 0},                         // 100
    {"DBMONEY", nullptr, 0},                        // 101
    {"DBNLS", nullptr, 0},                          // 102
    {"DBZQPLOAD", nullptr, 0},                      // 103
    {"DBPATH", ".", 0},                             // 104
    {"DBPRINT", "lp -s", 0},                        // 105
    {"DBREMOTECMD", nullptr, 0},                    // 106
    {"DBSCREENDUMP", nullptr, 0},                   // 107
    {"DBSCREENDUMPMB", nullptr, 0},                 // 108
    {"DBSCREENOUT", nullptr, 0},                    // 109
    {"DBSPACETEMP", nullptr, 0},                    // 110
    {"DBTEMP", "/tmp", 0},                          // 111
    {"DBTIME", nullptr, 0},                         // 112
    {"DBTODAY", nullptr, 0},                        // 113
    {"DBUPSPACE", nullptr, 0},                      // 114
    {"DBVCLOSE", nullptr, 0},                       // 115
    {"DB_LOCALE", nullptr, 0},                      // 116
    {"DC_SESSION_MAX", nullptr, 0},                 // 117
    {"DEBUG", nullptr, 0},                          // 118
    {"DEBUG_2PCFILE", nullptr, 0},                  // 119
    {"DEBUG_CHILDREN", nullptr, 0},                 // 120
    {"DEFAULT_ATTACH", nullptr, 0},                 // 121
    {"DELIMIDENT", nullptr, 0},                     // 122
    {"DHL_RDEFMTDATE", nullptr, 0},                 // 123
    {"DISPCLOB", nullptr, 0},                       // 124
    {"DONTDRAINPOOLS", nullptr, 0},                 // 125
    {"DR_ACCEPT", nullptr, 0},                      // 126
    {"DR_CONNECT", nullptr, 0},                     // 127
    {"DR_TEST1", nullptr, 0},                       // 128
    {"DUMPCORE", nullptr, 0},                       // 129
    {"DUMPDIR", nullptr, 0},                        // 130
    {"DUMPMEM", nullptr, 0},                        // 131
    {"DUMPSHMEM", nullptr, 0},                      // 132
    {"ENVIGNORE", nullptr, 0},                      // 133
    {"ESQLMF", nullptr, 0},                         // 134
    {"FAKE_SUBSYSTEM", nullptr, 0},                 // 135
    {"FET_BUF_SIZE", nullptr, 0},                   // 136
    {"FORCE_DB_DROP", nullptr, 0},                  // 137
    {"FULLRSV", nullptr, 0},                        // 138
    {"GCORE", nullptr, 0},                          // 139
    {"GLS8BITFSYS", nullptr, 0},                    // 140
    {"GLSDEBUG", nullptr, 0},                       // 141
    {"GLSLOG", nullptr, 0},                         // 142
    {"GL_CV_PATH", nullptr, 0},                     // 143
    {"GL_DATE", nullptr, 0},                        // 144
    {"GL_DATETIME", nullptr, 0},                    // 145
    {"GL_MATCHES", nullptr, 0},                     // 146
    {"GL_PATH", nullptr, 0},                        // 147
    {"GL_USEGLU", nullptr, 0},                      // 148
    {"HEXSTACKDUMP", nullptr, 0},                   // 149
    {"HOME", nullptr, 0},                           // 150
    {"HOMEDRIVE", nullptr, 0},                      // 151
    {"HOMEPATH", nullptr, 0},                       // 152
    {"HP_ADMIN_LOCK_OFF", nullptr, 0},              // 153
    {"KVT_HWL_PARAMS", nullptr, 0},                 // 154
    {"QMX_7XKEYSTYLE", nullptr, 0},                 // 155
    {"QMX_AUTOFREE", nullptr, 0},                   // 156
    {"QMX_DATESTR_NOTNULL", nullptr, 0},            // 157
    {"QMX_DEFERRED_PREPARE", nullptr, 0},           // 158
    {"QMX_DEF_TABLE_LOCKMODE", nullptr, 0},         // 159
    {"QMX_DIRECTIVES", nullptr, 0},                 // 160
    {"QMX_DIRTY_WAIT", nullptr, 0},                 // 161
    {"QMX_DISABLE_IPV6", nullptr, 0},               // 162
    {"QMX_DISABLE_PLOAD_PERFORMANCE", nullptr, 0},  // 163
    {"QMX_DW_OPT", nullptr, 0},                     // 164
    {"QMX_EGAON_DWSSAP", nullptr, 0},               // 165
    {"QMX_EXTDIRECTIVES", nullptr, 0},              // 166
    {"QMX_FLAT_UCSQ", nullptr, 0},                  // 167
    {"QMX_FREE_FD", nullptr, 0},                    // 168
    {"QMX_IMPLICIT_TRANSACTION", nullptr, 0},       // 169
    {"QMX_INPOLL_INTERVAL", nullptr, 0},            // 170
    {"QMX_IPCSHM_SPINS", nullptr, 0},               // 171
    {"QMX_LISTEN_TIMEOUT", nullptr, 0},             // 172
    {"QMX_LONGID", nullptr, 0},                     // 173
    {"QMX_MULTIPREPSTMT", nullptr, 0},              // 174
    {"QMX_NETRC_LOOKUP", nullptr, 0},               // 175
    {"QMX_NODBPROC", nullptr, 0},                   // 176
    {"QMX_NOPREDEFTYPES", nullptr, 0},              // 177
    {"QMX_NOT_STRICT_THOUS_SEP", nullptr, 0},       // 178
    {"QMX_NOZEROMDY", nullptr, 0},                  // 179
    {"QMX_NO_AIJ2IIJ", nullptr, 0},                 // 180
    {"QMX_NO_AJSUBQF", nullptr, 0},                 // 181
    {"QMX_NO_AOJ2AIJ", nullptr, 0},                 // 182
    {"QMX_NO_AOJREORDER", nullptr, 0},              // 183
    {"QMX_NO_KEYSTART", nullptr, 0},                // 184
    {"QMX_NO_OROPT", nullptr, 0},                   // 185
    {"QMX_PAD_VARCHAR", nullptr, 0},                // 186
    {"QMX_PLOAD_ESCAPE_CHAR", nullptr, 0},          // 187
    {"QMX_POLLPRI_INTERVAL", nullptr, 0},           // 188
    {"QMX_SEMOP_INTERVAL", nullptr, 0},             // 189
    {"QMX_SEMOP_RETRY", nullptr, 0},                // 190
    {"QMX_SESSION_MUX", nullptr, 0},                // 191
    {"QMX_SORT_POOLS", nullptr, 0},                 // 192
    {"QMX_UPDDESC", nullptr, 0},                    // 193
    {"QMX_USE_PREC_16", nullptr, 0},                // 194
    {"QMX_VII_NOPIDXBLD", nullptr, 0},              // 195
    {"QMX_XASTDCOMPLIANCE_XAEND", nullptr, 0},      // 196
    {"QMX_XFER_SHMBASE", nullptr, 0},               // 197
    {"QMXODBCTRACE", nullptr, 0},                   // 198
    {"QMXODBCTRACEFILE", nullptr, 0},               // 199
    {"QMXOLEDBTRACE", nullptr, 0},                  // 200
    {"WRPADMIN", nullptr, 0},                       // 201
    {"WRPSERVER", nullptr, 0},                      // 202
    {"VELMORADASFDBG", nullptr, 0},                 // 203
    {"VELMORADBROWSER", nullptr, 0},                // 204
    {"VELMORADCOBTYPE", nullptr, 0},                // 205
    {"VELMORADCONCSMCFG", nullptr, 0},              // 206
    {"VELMORADCONRETRY", nullptr, 0},               // 207
    {"VELMORADCONTIME", nullptr, 0},                // 208
    {"VELMORADCPPMAP", nullptr, 0},                 // 209
    {"VELMORADDIR", "/usr/velmorad", 256},          // 210
    {"VELMORADFAILOVERTIME", nullptr, 0},           // 211
    {"VELMORADKEYTAB", nullptr, 0},                 // 212
    {"VELMORADNSF", nullptr, 0},                    // 213
    {"VELMORADOPCACHE", nullptr, 0},                // 214
    {"VELMORADOPTDB", nullptr, 0},                  // 215
    {"VELMORADQATERM", nullptr, 0},                 // 216
    {"VELMORADSERVER", nullptr, 128},               // 217
    {"VELMORADSHMBASE", nullptr, 0},                // 218
    {"VELMORADSQLHOSTS", nullptr, 0},               // 219
    {"VELMORADSTACKSIZE", nullptr, 0},              // 220
    {"VELMORADTERM", "termcap", 0},                 // 221
    {"VELMORADTEST", nullptr, 0},                   // 222
    {"VELMORAD_SLOW_CLEAR", nullptr, 0},            // 223
    {"INTERACTIVE_DESKTOP_OFF", nullptr, 0},        // 224
    {"INTLMSGDIR", nullptr, 0},                     // 225
    {"KSVDIR", nullptr, 0},                         // 226
    {"KSV_DATA_VOLUME_POOL", nullptr, 0},           // 227
    {"KSV_LOG_VOLUME_POOL", nullptr, 0},            // 228
    {"KSV_PROCESS_ENVIRON", nullptr, 0},            // 229
    {"KSV_SAVESET_NAME", nullptr, 0},               // 230
    {"KSV_SERVER", nullptr, 0},                     // 231
    {"JAVA_HOME", nullptr, 0},                      // 232
    {"KAIOOFF", nullptr, 0},                        // 233
    {"KAIOON", nullptr, 0},                         // 234
    {"KVLOCKING_TEST", nullptr, 0},                 // 235
    {"LANG", nullptr, 0},                           // 236
    {"LA_NOT", nullptr, 0},                         // 237
    {"LA_OFF", nullptr, 0},                         // 238
    {"LC_COLLATE", nullptr, 0},                     // 239
    {"LC_CTYPE", nullptr, 0},                       // 240
    {"LC_MONETARY", nullptr, 0},                    // 241
    {"LC_NUMERIC", nullptr, 0},                     // 242
    {"LC_TIME", nullptr, 0},                        // 243
    {"LD_LIBRARY_PATH", nullptr, 0},                // 244
    {"LIBPATH", nullptr, 0},                        // 245
    {"LIGHT_SCANS", nullptr, 0},                    // 246
    {"LOCKSSFU", nullptr, 0},                       // 247
    {"LRUAGE", nullptr, 0},                         // 248
    {"LRU_CLEAN_FACTOR", nullptr, 0},               // 249
    {"MAX_CP_CLEANERS", nullptr, 0},                // 250
    {"MT_DEFAULT_STACK", nullptr, 0},               // 251
    {"NODEFDAC", "no", 0},                          // 252
    {"NOFUZZYCKPT", nullptr, 0},                    // 253
    {"NOLNO", nullptr, 0},                          // 254
    {"NOLRUPRIO", nullptr, 0},                      // 255
    {"NONROOT_OFF", nullptr, 0},                    // 256
    {"NON_M6_ATTRS_OK", "1", 0},                    // 257
    {"NOSHMSG", nullptr, 0},                        // 258
    {"NOSORTINDEX", nullptr, 0},                    // 259
    {"NO_KEYFIRST", nullptr, 0},                    // 260
    {"NO_KEYSTART", nullptr, 0},                    // 261
    {"NO_PREDPROMOTE", nullptr, 0},                 // 262
    {"NO_SUBQF", nullptr, 0},                       // 263
    {"NO_TRAP_SIGNALS", nullptr, 0},                // 264
    {"ODBCINI", nullptr, 0},                        // 265
    {"OLD_BITMAP_TYPE", nullptr, 0},                // 266
    {"TAVEX_CURRENT_LEVEL", nullptr, 0},            // 267
    {"TAVEX_PARENT_PROCESS", nullptr, 0},           // 268
    {"TAVEX_PARENT_PROCESS_ID", nullptr, 0},        // 269
    {"ZQCONFIG", nullptr, 0},                       // 270
    {"ZQLOG", nullptr, 0},                          // 271
    {"ZQLOGOUTPUT", nullptr, 0},                    // 272
    {"OPENWINHOME", nullptr, 0},                    // 273
    {"OPTCOMPIND", nullptr, 0},                     // 274
    {"OPTMSG", nullptr, 0},                         // 275
    {"OPTOFC", nullptr, 0},                         // 276
    {"OPT_GOAL", nullptr, 0},                       // 277
    {"PATH", nullptr, 0},                           // 278
    {"PBO_SLEEP", nullptr, 0},                      // 279
    {"PDQPRIORITY", nullptr, 0},                    // 280
    {"PITSTOP", nullptr, 0},                        // 281
    {"PLCONFIG", nullptr, 0},                       // 282
    {"PLOAD_CRASH_POINT", nullptr, 0},              // 283
    {"PLOAD_CRASH_ROWS", nullptr, 0},               // 284
    {"PLOAD_DEBUG", nullptr, 0},                    // 285
    {"PLOAD_LO_PATH", nullptr, 0},                  // 286
    {"PLOAD_SHMAT", nullptr, 0},                    // 287
    {"PLOAD_TRACE", nullptr, 0},                    // 288
    {"PSORT_DBTEMP", nullptr, 0},                   // 289
    {"PSORT_NPROCS", nullptr, 0},                   // 290
    {"QPLANTEST", nullptr, 0},                      // 291
    {"RASHELP", nullptr, 0},                        // 292
    {"REMCLIENT", nullptr, 0},                      // 293
    {"RSAM_PROF_INTR", nullptr, 0},                 // 294
    {"SBNOVECTORIO", nullptr, 0},                   // 295
    {"SERVER_LOCALE", nullptr, 0},                  // 296
    {"SHELL", nullptr, 0},                          // 297
    {"SHLIB_PATH", nullptr, 0},                     // 298
    {"SINGLESEG_OFF", nullptr, 0},                  // 299
    {"SLABEL", nullptr, 0},                         // 300
    {"SORTINDEX", nullptr, 0},                      // 301
    {"SPINLOCK_BREAKCNT", nullptr, 0},              // 302
    {"SQDEBUG", nullptr, 0},                        // 303
    {"SQEXPLAIN", nullptr, 0},                      // 304
    {"SQLEXEC", nullptr, 0},                        // 305
    {"SQLHOSTS", nullptr, 0},                       // 306
    {"SQLIDEBUG", nullptr, 0},                      // 307
    {"SQLIPRINTDBG", nullptr, 0},                   // 308
    {"SQLPID", nullptr, 0},                         // 309
    {"SQLSTATS", nullptr, 0},                       // 310
    {"SQL_FROM_DBIMPORT", nullptr, 0},              // 311
    {"STACKDUMPTOLOG", nullptr, 0},                 // 312
    {"STMT_CACHE", nullptr, 0},                     // 313
    {"STMT_CACHE_DEBUG", nullptr, 0},               // 314
    {"STOPPING_POINT", nullptr, 0},                 // 315
    {"STOP_RECOVERY", nullptr, 0},                  // 316
    {"SUBQCACHESZ", "10", 0},                       // 317
    {"KXCONFIG", "zqconfig", 0},                    // 318
    {"TEMP", nullptr, 0},                           // 319
    {"TERM", "dumb", 0},                            // 320
    {"TERMCAP", "/etc/termcap", 0},                 // 321
    {"TERMNAME", nullptr, 0},                       // 322
    {"TESTMODE", nullptr, 0},                       // 323
    {"TMP", nullptr, 0},                            // 324
    {"TRACECKPT", nullptr, 0},                      // 325
    {"TRACECUDRARG", nullptr, 0},                   // 326
    {"TRACEFUZZYCKPT", nullptr, 0},                 // 327
    {"TREE", nullptr, 0},                           // 328
    {"TST_ZQLOG", nullptr, 0},                      // 329
    {"TZ", nullptr, 0},                             // 330
    {"USER", nullptr, 0},                           // 331
    {"USER_TRACEFLAGS", nullptr, 0},                // 332
    {"USER_TRACES", nullptr, 0},                    // 333
    {"USETABLENAME", nullptr, 0},                   // 334
    {"USE_DTENV", nullptr, 0},                      // 335
    {"UVIEW_CRTTMP", nullptr, 0},                   // 336
    {"W1", nullptr, 0},                             // 337
    {"W2", nullptr, 0},                             // 338
    {"XAPPLRESDIR", nullptr, 0},                    // 339
    {"XENVIRONMENT", nullptr, 0},                   // 340
    {"XTRACE", nullptr, 0},                         // 341
    {nullptr, nullptr, 0},
};

EnvVar *Inf_EVars = nullptr;
int Num_EVars = 0;

namespace {

// Memory failure while the table is built ends the process before any
// message could be fetched.
[[noreturn]] void die_without_memory() {
    std::exit(1);
}

constexpr size_t name_length(const char *name) {
    size_t length = 0;
    while (name[length] != '\0')
        ++length;
    return length;
}

// The working table's names are copied from the constant table in one
// block, laid out here once for all processes: each name's offset in it.
constexpr auto kNameOffsets = [] {
    std::array<uint32_t, Num_DVals + 1> offsets{};
    uint32_t at = 0;
    for (int i = 0; i < Num_DVals; ++i) {
        offsets[i] = at;
        at += static_cast<uint32_t>(name_length(Inf_DVals[i].name) + 1);
    }
    offsets[Num_DVals] = at;
    return offsets;
}();

constexpr auto kNameBlock = [] {
    std::array<char, kNameOffsets[Num_DVals]> block{};
    for (int i = 0; i < Num_DVals; ++i) {
        const char *name = Inf_DVals[i].name;
        for (size_t k = 0; name[k] != '\0'; ++k)
            block[kNameOffsets[i] + k] = name[k];
    }
    return block;
}();

// Every look-up and every configuration line searches the table by name:
// an index of the names finds the row in a probe or two. Open addressing
// over a power of two well above the row count; a slot holds row + 1, 0
// when empty. The working table holds the same names in the same rows, so
// the index is made once, from the constant table.
constexpr uint32_t kIndexSlots = 1024;
static_assert(kIndexSlots > 2 * Num_DVals && (kIndexSlots & (kIndexSlots - 1)) == 0);

constexpr uint32_t name_hash(const char *name) {
    uint32_t h = 2166136261u;
    for (; *name != '\0'; ++name)
        h = (h ^ static_cast<unsigned char>(*name)) * 16777619u;
    return h;
}

constexpr auto kNameIndex = [] {
    std::array<uint16_t, kIndexSlots> index{};
    for (int i = 0; i < Num_DVals; ++i) {
        uint32_t slot = name_hash(Inf_DVals[i].name) & (kIndexSlots - 1);
        while (index[slot] != 0)
            slot = (slot + 1) & (kIndexSlots - 1);
        index[slot] = static_cast<uint16_t>(i + 1);
    }
    return index;
}();

const EnvVar *indexed_table = nullptr;

}  // namespace

int lddefenv() {
    auto *table = static_cast<EnvVar *>(std::calloc(Num_DVals, sizeof(EnvVar)));
    if (table == nullptr) die_without_memory();
    // The names live as long as the table: one block holds them all, which
    // every process start would otherwise pay for in 342 allocations.
    auto *names = static_cast<char *>(std::malloc(kNameBlock.size()));
    if (names == nullptr) die_without_memory();
    std::memcpy(names, kNameBlock.data(), kNameBlock.size());
    Num_EVars = Num_DVals;
    Inf_EVars = table;
    for (int i = 0; i < Num_DVals; ++i) {
        EnvVar &entry = table[i];
        entry.name = names + kNameOffsets[i];
        entry.index = i;
        entry.max_len = Inf_DVals[i].max_len;
        // A row without a default keeps the null value calloc gave it.
        if (Inf_DVals[i].value != nullptr &&
            ginsenv(Inf_DVals[i].name, Inf_DVals[i].value, &entry) != kStatusOk)
            die_without_memory();
    }
    indexed_table = table;
    return 0;
}

// The names of the working table are distinct, so the row the index finds
// is the one a walk from the start would find.
EnvVar *search_evar(const char *name, EnvVar *table, int count) {
    if (table != nullptr && table == indexed_table && count == Num_DVals) {
        for (uint32_t slot = name_hash(name) & (kIndexSlots - 1);;
             slot = (slot + 1) & (kIndexSlots - 1)) {
            if (kNameIndex[slot] == 0) return nullptr;
            EnvVar &entry = table[kNameIndex[slot] - 1];
            if (stcmpr(entry.name, name) == 0) return &entry;
        }
    }
    for (int i = 0; i < count && table[i].name != nullptr; ++i) {
        if (stcmpr(table[i].name, name) == 0) return &table[i];
    }
    return nullptr;
}

EnvVar *search_evar_enum(int index, const char *name, EnvVar *table, int count) {
    if (index < 0 || index >= count) return nullptr;
    EnvVar &entry = table[index];
    if (entry.name != nullptr && entry.index == index) return &entry;
    return search_evar(name, table, count);
}

const char *idx_getdefault(const char *name, int index) {
    if (Inf_EVars == nullptr) return nullptr;
    EnvVar *entry = index == kEnvByName ? search_evar(name, Inf_EVars, Num_EVars)
                                        : search_evar_enum(index, name, Inf_EVars, Num_EVars);
    if (entry == nullptr) {
        gerrno = kStatusUnknownVariable;
        return nullptr;
    }
    return entry->value;
}

}  // namespace velmorad
