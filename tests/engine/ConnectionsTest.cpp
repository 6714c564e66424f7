#include "engine/Connections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The system's tables, and a stand-in for GetExtendedTcpTable that serves them the way the
// real one does: the needed size when the buffer is too small, the table when it fits.
struct FakeTcp {
    std::vector<TcpRow4> rows4;
    std::vector<TcpRow6> rows6;
    std::vector<uint32_t> sizesGiven;   // the size passed in, per call
    std::vector<uint32_t> families;
    uint32_t failWith = 0;              // a result other than the two the counter knows
    bool growEveryCall = false;         // the table grows between the size query and the fill
    int allocations = 0;
    bool allocationFails = false;
    uint32_t claimedExtraRows = 0;      // dwNumEntries larger than the bytes given
};

FakeTcp* g_fake;

template <typename Row>
uint32_t Serve(const std::vector<Row>& rows, void* table, uint32_t* size) {
    uint32_t needed = 4 + static_cast<uint32_t>(rows.size() * sizeof(Row));
    if (g_fake->growEveryCall) {
        needed += static_cast<uint32_t>(g_fake->sizesGiven.size()) * 100000;
    }
    if (*size < needed) {
        *size = needed;
        return RESULT_INSUFFICIENT_BUFFER;
    }
    uint32_t count = static_cast<uint32_t>(rows.size()) + g_fake->claimedExtraRows;
    memcpy(table, &count, 4);
    if (!rows.empty()) {
        memcpy(static_cast<uint8_t*>(table) + 4, rows.data(), rows.size() * sizeof(Row));
    }
    *size = 4 + static_cast<uint32_t>(rows.size() * sizeof(Row));
    return RESULT_NO_ERROR;
}

uint32_t FakeGetTable(void* table, uint32_t* size, int32_t, uint32_t family, uint32_t tableClass, uint32_t) {
    EXPECT_EQ(tableClass, TCP_TABLE_CLASS_OWNER_PID_ALL);
    g_fake->sizesGiven.push_back(*size);
    g_fake->families.push_back(family);
    if (g_fake->failWith) {
        return g_fake->failWith;
    }
    return family == FAMILY_IPV4 ? Serve(g_fake->rows4, table, size) : Serve(g_fake->rows6, table, size);
}

void* FakeAllocate(uint32_t size) {
    g_fake->allocations++;
    return g_fake->allocationFails ? nullptr : malloc(size);
}

uint32_t Ip4(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t v;
    memcpy(&v, bytes, 4);
    return v;
}

TcpRow6 Row6(uint32_t state, uint32_t pid, std::initializer_list<uint8_t> tail) {
    TcpRow6 r{};
    r.state = state;
    r.owningPid = pid;
    size_t at = 16 - tail.size();
    for (uint8_t b : tail) {
        r.remoteAddr[at++] = b;
    }
    return r;
}

struct ConnectionsFixture : ::testing::Test {
    FakeTcp fake;
    TcpTableApi api{};
    const uint32_t pids[3] = {100, 200, 300};

    void SetUp() override {
        g_fake = &fake;
        api.getExtendedTcpTable = FakeGetTable;
        api.allocate = FakeAllocate;
        api.release = free;
    }
    void TearDown() override { FreeTcpTableBuffer(&api); }
    std::unique_ptr<PidSet> members = std::make_unique<PidSet>();
    int32_t CountOf(const uint32_t* list, int32_t count) {
        BuildPidSet(members.get(), list, count);
        return CountTreeConnections(&api, members.get());
    }
    int32_t Count() { return CountOf(pids, 3); }
};

TEST_F(ConnectionsFixture, CountsEstablishedOutsideConnectionsOfTheTree) {
    fake.rows4 = {
        {5, 0, 0, Ip4(93, 184, 216, 34), 443, 100},   // counts
        {5, 0, 0, Ip4(127, 0, 0, 1), 80, 100},        // loopback
        {5, 0, 0, Ip4(127, 9, 9, 9), 80, 200},        // all of 127/8
        {5, 0, 0, 0, 0, 300},                         // 0.0.0.0
        {2, 0, 0, 0, 0, 100},                         // listening
        {11, 0, 0, Ip4(10, 0, 0, 1), 80, 100},        // TIME_WAIT
        {8, 0, 0, Ip4(10, 0, 0, 1), 80, 100},         // CLOSE_WAIT
        {5, 0, 0, Ip4(10, 0, 0, 2), 80, 999},         // outside the tree
        {5, 0, 0, Ip4(128, 0, 0, 1), 80, 300},        // counts
    };
    fake.rows6 = {
        Row6(5, 200, {1}),                                       // ::1
        Row6(5, 200, {}),                                        // ::
        Row6(5, 200, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),  // global: counts
        Row6(5, 300, {0xff, 0xff, 127, 0, 0, 1}),                // ::ffff:127.0.0.1 counts
        Row6(5, 300, {2}),                                       // ::2 counts
        Row6(11, 300, {0x20, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
    };
    EXPECT_EQ(Count(), 5);
}

// Several trees share one read of each table; a process in two trees counts for both.
TEST_F(ConnectionsFixture, SeveralTreesFromOneReadOfEachTable) {
    fake.rows4 = {
        {5, 0, 0, Ip4(93, 184, 216, 34), 443, 100},
        {5, 0, 0, Ip4(93, 184, 216, 35), 443, 200},
        {5, 0, 0, Ip4(127, 0, 0, 1), 80, 200},
    };
    fake.rows6 = {Row6(5, 300, {2}), Row6(5, 400, {2})};
    const uint32_t first[] = {100, 200};
    const uint32_t second[] = {200, 300};
    const uint32_t third[] = {500};
    auto a = std::make_unique<PidSet>();
    auto b = std::make_unique<PidSet>();
    auto c = std::make_unique<PidSet>();
    BuildPidSet(a.get(), first, 2);
    BuildPidSet(b.get(), second, 2);
    BuildPidSet(c.get(), third, 1);
    const PidSet* trees[] = {a.get(), b.get(), c.get()};
    int32_t counts[3] = {-1, -1, -1};
    CountTreesConnections(&api, trees, 3, counts);
    EXPECT_EQ(counts[0], 2);
    EXPECT_EQ(counts[1], 2);
    EXPECT_EQ(counts[2], 0);
    // The size query and the fill of IPv4, then IPv6 into the same buffer: once, not per tree.
    EXPECT_EQ(fake.families, (std::vector<uint32_t>{FAMILY_IPV4, FAMILY_IPV4, FAMILY_IPV6}));
}

TEST_F(ConnectionsFixture, FirstQueryAsksForTheSizeThenReusesTheBuffer) {
    fake.rows4.assign(3, TcpRow4{5, 0, 0, Ip4(1, 2, 3, 4), 0, 100});
    EXPECT_EQ(Count(), 3);
    // IPv4: size query with no buffer, then the fill; IPv6 fits the same buffer.
    ASSERT_EQ(fake.sizesGiven.size(), 3u);
    EXPECT_EQ(fake.sizesGiven[0], 0u);
    EXPECT_EQ(fake.sizesGiven[1], 4 + 3 * sizeof(TcpRow4) + TCP_TABLE_SLACK);
    EXPECT_EQ(fake.families, (std::vector<uint32_t>{FAMILY_IPV4, FAMILY_IPV4, FAMILY_IPV6}));
    EXPECT_EQ(fake.allocations, 1);

    fake.sizesGiven.clear();
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(fake.sizesGiven.size(), 2u);  // one call per family, nothing allocated
    EXPECT_EQ(fake.allocations, 1);
}

TEST_F(ConnectionsFixture, FailuresCountNothing) {
    fake.rows4.assign(1, TcpRow4{5, 0, 0, Ip4(1, 2, 3, 4), 0, 100});

    fake.failWith = 87;  // ERROR_INVALID_PARAMETER
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(fake.sizesGiven.size(), 2u);

    fake = FakeTcp{};
    fake.rows4.assign(1, TcpRow4{5, 0, 0, Ip4(1, 2, 3, 4), 0, 100});
    fake.growEveryCall = true;  // never fits: four attempts per family, then nothing
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(fake.sizesGiven.size(), 2u * TCP_TABLE_ATTEMPTS);

    fake = FakeTcp{};
    fake.rows4.assign(1, TcpRow4{5, 0, 0, Ip4(1, 2, 3, 4), 0, 100});
    FreeTcpTableBuffer(&api);
    fake.allocationFails = true;
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(api.buffer, nullptr);
    EXPECT_EQ(api.bufferSize, 0u);
    fake.allocationFails = false;  // the next query starts again from no buffer
    EXPECT_EQ(Count(), 1);
}

TEST_F(ConnectionsFixture, NoFunctionOrNoPidsMakesNoCall) {
    fake.rows4.assign(1, TcpRow4{5, 0, 0, Ip4(1, 2, 3, 4), 0, 100});
    EXPECT_EQ(CountOf(pids, 0), 0);
    EXPECT_EQ(CountOf(pids, -1), 0);
    api.getExtendedTcpTable = nullptr;
    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE(fake.sizesGiven.empty());
}

TEST_F(ConnectionsFixture, RowCountIsBoundedByTheBytesReturned) {
    fake.rows4.assign(2, TcpRow4{5, 0, 0, Ip4(1, 2, 3, 4), 0, 100});
    fake.claimedExtraRows = 100000;  // a table that claims rows past its end
    EXPECT_EQ(Count(), 2);
}

TEST(ConnectionAddresses, LocalAddresses) {
    EXPECT_TRUE(IsLocalIPv4(0));
    EXPECT_TRUE(IsLocalIPv4(Ip4(127, 0, 0, 1)));
    EXPECT_TRUE(IsLocalIPv4(Ip4(127, 255, 255, 255)));
    EXPECT_FALSE(IsLocalIPv4(Ip4(1, 0, 0, 127)));
    EXPECT_FALSE(IsLocalIPv4(Ip4(0, 0, 0, 1)));
}

// The set must answer exactly as a search of the list would, for lists that fill it, whose
// pids collide in the table, and that hold duplicates.
TEST(PidSet, AnswersAsTheListDoes) {
    std::vector<uint32_t> pids;
    for (uint32_t i = 0; i < PID_SET_CAPACITY; i++) {
        pids.push_back(i % 7 == 0 ? 4 * i : 4096 * i + 4);  // Windows pids are multiples of 4
    }
    pids[10] = pids[11];
    auto set = std::make_unique<PidSet>();
    for (int32_t count : {0, 1, 2, 100, PID_SET_CAPACITY}) {
        BuildPidSet(set.get(), pids.data(), count);
        for (uint32_t probe = 0; probe < 4096 * PID_SET_CAPACITY + 8; probe += probe < 20000 ? 4 : 4093) {
            bool listed = std::find(pids.begin(), pids.begin() + count, probe) != pids.begin() + count;
            ASSERT_EQ(PidSetContains(set.get(), probe), listed) << count << " " << probe;
        }
        for (int32_t i = 0; i < count; i++) {
            ASSERT_TRUE(PidSetContains(set.get(), pids[static_cast<size_t>(i)]));
        }
    }
}

}  // namespace
