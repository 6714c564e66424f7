#include "files/LogWriter.h"

#include "files/Log.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string BOM = "\xEF\xBB\xBF";
const std::string RESTART = "(log restarted: the previous one reached the size limit)\r\n";

// A file the way the log sees it: appended to at its end, its size readable (or not), and
// other programs appending to it too.
struct FakeFile {
    std::string bytes;
    uint64_t padding = 0;    // bytes counted in the size but not kept, for files of megabytes
    bool exists = false;
    bool open = false;
    bool refuseOpen = false;
    bool refuseRestart = false;
    bool sizeUnknown = false;
    uint32_t shortWrite = 0;  // the next write stops after this many bytes (0: whole)
    uint64_t clock = 0;
    int opens = 0;

    uint64_t Size() const { return padding + bytes.size(); }
    LogFileOps Ops() {
        return LogFileOps{
            .context = this,
            .open = [](void* c) {
                auto* f = static_cast<FakeFile*>(c);
                f->opens++;
                if (f->refuseOpen) {
                    return false;
                }
                f->exists = f->open = true;
                return true;
            },
            .size = [](void* c, uint64_t* size) {
                auto* f = static_cast<FakeFile*>(c);
                *size = f->Size();
                return !f->sizeUnknown;
            },
            .restart = [](void* c) {
                auto* f = static_cast<FakeFile*>(c);
                f->open = false;
                if (f->refuseRestart) {
                    return false;
                }
                f->bytes.clear();
                f->padding = 0;
                f->open = true;
                return true;
            },
            .write = [](void* c, const char* b, uint32_t n) {
                auto* f = static_cast<FakeFile*>(c);
                EXPECT_TRUE(f->open);
                uint32_t kept = f->shortWrite && f->shortWrite < n ? f->shortWrite : n;
                f->shortWrite = 0;
                f->bytes.append(b, kept);
                return kept;
            },
            .close = [](void* c) { static_cast<FakeFile*>(c)->open = false; },
            .milliseconds = [](void* c) { return static_cast<FakeFile*>(c)->clock; },
        };
    }
};

void Line(LogWriter* log, const std::string& text) {
    WriteLogBytes(log, text.data(), static_cast<uint32_t>(text.size()));
}

TEST(LogWriter, OpeningByWhatIsThere) {
    struct Case {
        const char* name;
        uint64_t size;
        bool sizeUnknown;
        std::string start;  // what opening put into the file
    };
    const Case cases[] = {
        {"new or empty", 0, false, BOM},
        {"under the limit", 10, false, ""},
        {"exactly the limit", LOG_SIZE_LIMIT, false, ""},
        {"one byte over", LOG_SIZE_LIMIT + 1, false, BOM + RESTART},
        // An unknown size: nothing is put in the middle of what is there.
        {"size unknown", LOG_SIZE_LIMIT + 1, true, ""},
    };
    for (const Case& c : cases) {
        FakeFile f;
        f.padding = c.size;
        f.sizeUnknown = c.sizeUnknown;
        LogWriter log = MakeLogWriter(f.Ops());
        OpenLogWriter(&log);
        EXPECT_TRUE(log.isOpen) << c.name;
        EXPECT_EQ(f.bytes, c.start) << c.name;
        EXPECT_EQ(f.Size(), c.size > LOG_SIZE_LIMIT && !c.sizeUnknown ? c.start.size() : c.size + c.start.size())
            << c.name;
    }
}

TEST(LogWriter, TheLimitHoldsWhileRunning) {
    FakeFile f;
    f.padding = LOG_SIZE_LIMIT - 10;
    LogWriter log = MakeLogWriter(f.Ops());
    OpenLogWriter(&log);
    Line(&log, "0123456\r\n");   // 9 bytes: the file is 1 byte under the limit
    EXPECT_EQ(f.Size(), LOG_SIZE_LIMIT - 1);
    f.bytes += "another program's line\r\n";  // it appends too
    Line(&log, "next\r\n");       // would take the file past the limit: begun anew
    EXPECT_EQ(f.bytes, BOM + RESTART + "next\r\n");
    EXPECT_EQ(log.restarts, 1u);
    // Lines others append after the restart stay where they are, and ours follow them.
    f.bytes += "theirs\r\n";
    Line(&log, "ours\r\n");
    EXPECT_EQ(f.bytes, BOM + RESTART + "next\r\ntheirs\r\nours\r\n");
}

TEST(LogWriter, AShortWriteNeverGluesTwoLines) {
    FakeFile f;
    LogWriter log = MakeLogWriter(f.Ops());
    OpenLogWriter(&log);
    f.shortWrite = 4;  // the disk is full halfway through
    Line(&log, "tick one\r\n");
    Line(&log, "tick two\r\n");
    Line(&log, "tick three\r\n");
    EXPECT_EQ(f.bytes, BOM + "tick\r\ntick two\r\ntick three\r\n");
}

TEST(LogWriter, AFileThatCouldNotBeOpenedIsTriedAgainAMinuteLater) {
    FakeFile f;
    f.refuseOpen = true;
    LogWriter log = MakeLogWriter(f.Ops());
    OpenLogWriter(&log);
    Line(&log, "lost\r\n");
    f.refuseOpen = false;
    f.clock += LOG_RETRY_MS - 1;
    Line(&log, "lost too\r\n");
    EXPECT_EQ(f.opens, 1);
    f.clock += 1;
    Line(&log, "kept\r\n");
    EXPECT_EQ(f.opens, 2);
    EXPECT_EQ(f.bytes, BOM + "kept\r\n");  // nothing about the gap

    // A restart that fails leaves it closed, to be tried again in its turn.
    f.padding = LOG_SIZE_LIMIT;
    f.refuseRestart = true;
    Line(&log, "over\r\n");
    EXPECT_FALSE(log.isOpen);
    f.refuseRestart = false;
    f.clock += LOG_RETRY_MS;
    Line(&log, "after\r\n");
    EXPECT_EQ(f.bytes, BOM + RESTART + "after\r\n");

    CloseLogWriter(&log);
    f.clock += 10 * LOG_RETRY_MS;
    Line(&log, "after the end\r\n");  // closed on purpose: never again
    EXPECT_EQ(f.opens, 3);
    EXPECT_EQ(f.bytes, BOM + RESTART + "after\r\n");
}

}  // namespace
