// The table build: bits against the plain build, progress, restarts and
// cancellation, on the background thread and on the caller's.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sim_fixture.h"
#include "support/reference_table.h"

namespace lumo::testing {
namespace {

std::vector<float>& reference_for_dome() {
    static std::vector<float> table = [] {
        auto trans = make_dome();
        std::vector<float> t(static_cast<size_t>(kVertexCount) * kVertexCount);
        build_reference_table(trans->rest_shape(), t);
        return t;
    }();
    return table;
}

bool tables_equal(const float* a, const float* b) {
    return std::memcmp(a, b, sizeof(float) * kVertexCount * kVertexCount) == 0;
}

// Building in slices (always so without threads), nobody builds unless asked.
void wait_for_build(LUMOTransform& trans) {
    if (trans.table_builder().builds_in_slices()) trans.wait_for_table_build();
    while (trans.initializing_index() >= 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(TableBuild, EqualsThePlainBuildBitForBit) {
    auto trans = make_dome(true);
    EXPECT_EQ(trans->initializing_index(), -1);
    EXPECT_TRUE(tables_equal(trans->influence_table().data(), reference_for_dome().data()));
}

TEST(TableBuild, SymmetricWithUnitDiagonal) {
    auto trans = make_dome(true);
    const float* t = trans->influence_table().data();
    for (int i = 0; i < kVertexCount; ++i) {
        ASSERT_EQ(t[i * kVertexCount + i], 1.0f) << i;
        for (int j = i + 1; j < kVertexCount; j += 13)
            ASSERT_EQ(bits_of(t[i * kVertexCount + j]), bits_of(t[j * kVertexCount + i])) << i << "," << j;
    }
    // Neighbours on the flat rim, one grid spacing apart.
    EXPECT_NEAR(t[0 * kVertexCount + 1], 0.9918f, 0.0001f);
}

TEST(TableBuild, SameBitsWithOneWorkerOrSeveralAndForABumpyShape) {
    auto one = std::make_unique<LUMOTransform>(1);
    auto four = std::make_unique<LUMOTransform>(4);
    for (LUMOTransform* trans : {one.get(), four.get()}) {
        trans->set_init_position_and_mass_at_startup(true);
        for (int v = 0; v < kVertexCount; ++v)  // ripples over the dome, then fixed
            trans->surface_vertices()[3 * v + 2] += 0.01f * std::sin(v * 0.37f);
        trans->set_init_position_and_mass_at_startup(false);
        trans->init_distance();
    }
    EXPECT_EQ(one->rest_shape(), four->rest_shape());
    std::vector<float> reference(static_cast<size_t>(kVertexCount) * kVertexCount);
    build_reference_table(one->rest_shape(), reference);
    EXPECT_TRUE(tables_equal(one->influence_table().data(), reference.data()));
    EXPECT_TRUE(tables_equal(four->influence_table().data(), reference.data()));
    EXPECT_EQ(one->gravity_weights(), four->gravity_weights());
}

TEST(TableBuild, GravityWeightsAreWrittenBeforeMinusOne) {
    auto trans = make_dome();
    trans->start_table_build();
    wait_for_build(*trans);
    auto expected = make_dome();
    expected->set_distance_of(expected->force_record(0));
    EXPECT_EQ(trans->gravity_weights(), expected->gravity_weights());
}

struct ProgressLog {
    std::mutex mutex;
    std::vector<int32_t> values;
    void record(int32_t value) {
        std::lock_guard lock(mutex);
        values.push_back(value);
    }
    void watch(LUMOTransform& trans) {
        trans.table_builder().set_progress_hook([this](int32_t value) { record(value); });
    }
};

TEST(TableBuild, PublishesEveryRowInOrderThenMinusOne) {
    for (int workers : {1, 2, 3, TableBuilder::kBuildInSlices}) {
        auto trans = std::make_unique<LUMOTransform>(workers);
        trans->set_init_position_and_mass_at_startup(true);
        ProgressLog log;
        log.values.reserve(3000);
        log.watch(*trans);
        trans->start_table_build();
        wait_for_build(*trans);
        trans->stop_table_build();
        std::lock_guard lock(log.mutex);
        ASSERT_EQ(log.values.size(), 2500u) << workers;
        for (int k = 0; k < 2499; ++k) ASSERT_EQ(log.values[k], k) << workers;
        EXPECT_EQ(log.values.back(), -1);
    }
}

// The program starts the build before its window opens, and launching asks
// for it again: the build already under way, or done, is the one kept.
TEST(TableBuild, AskingAgainForTheSameRestShapeKeepsTheBuild) {
    auto trans = make_dome();
    ProgressLog log;
    log.values.reserve(3000);
    log.watch(*trans);
    trans->start_table_build();
    trans->start_table_build();  // most likely still running
    wait_for_build(*trans);
    trans->start_table_build();  // finished
    wait_for_build(*trans);
    std::lock_guard lock(log.mutex);
    EXPECT_EQ(std::count(log.values.begin(), log.values.end(), 0), 1) << "built once";
    EXPECT_EQ(std::count(log.values.begin(), log.values.end(), -1), 1);
    EXPECT_TRUE(tables_equal(trans->influence_table().data(), reference_for_dome().data()));
}

// After a set-up (of the same dome, or of a new shape) or a stop, the next
// start builds afresh: every row is published again, and the table is the
// rest shape's. A start that kept the old build would publish nothing.
TEST(TableBuild, ASetUpOrAStopMakesTheNextStartBuildAfresh) {
    struct Change {
        const char* name;
        void (*apply)(LUMOTransform& trans);
    };
    const Change changes[] = {
        {"the same dome set up again", [](LUMOTransform& trans) { trans.set_init_position_and_mass_at_startup(true); }},
        {"a new shape fixed",
         [](LUMOTransform& trans) {
             for (int v = 0; v < kVertexCount; ++v) trans.surface_vertices()[3 * v + 2] += 0.004f * (v % 5);
             trans.set_init_position_and_mass_at_startup(false);
         }},
        {"a stop", [](LUMOTransform& trans) { trans.stop_table_build(); }},
    };
    auto trans = make_dome();
    trans->start_table_build();
    wait_for_build(*trans);
    ProgressLog log;
    log.values.reserve(3000);
    log.watch(*trans);
    std::vector<float> reference(static_cast<size_t>(kVertexCount) * kVertexCount);
    for (const Change& change : changes) {
        {
            std::lock_guard lock(log.mutex);
            log.values.clear();
        }
        change.apply(*trans);
        trans->start_table_build();
        wait_for_build(*trans);
        std::lock_guard lock(log.mutex);
        ASSERT_EQ(log.values.size(), 2500u) << change.name;
        EXPECT_EQ(log.values.front(), 0) << change.name;
        EXPECT_EQ(log.values.back(), -1) << change.name;
        build_reference_table(trans->rest_shape(), reference);
        EXPECT_TRUE(tables_equal(trans->influence_table().data(), reference.data())) << change.name;
    }
    EXPECT_FALSE(tables_equal(reference.data(), reference_for_dome().data())) << "the new shape has a table of its own";
}

// The first build leaves a core to the main thread: one worker of three
// builds every row, and the table is the same.
TEST(TableBuild, AStartForOneWorkerBuildsOnOneThreadAlone) {
    auto trans = std::make_unique<LUMOTransform>(3);
    trans->set_init_position_and_mass_at_startup(true);
    struct Publishers {
        std::mutex mutex;
        std::vector<std::thread::id> ids;
        void record() {
            std::lock_guard lock(mutex);
            const auto id = std::this_thread::get_id();
            if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
        }
    } publishers;
    publishers.ids.reserve(8);
    trans->table_builder().set_progress_hook([&publishers](int32_t) { publishers.record(); });
    trans->start_table_build(1);
    wait_for_build(*trans);
    std::lock_guard lock(publishers.mutex);
    // The 0 is published by the starting thread, every row after it by the one
    // worker; a build without threads does it all in slices on this thread.
    const size_t publishing_threads = trans->table_builder().builds_in_slices() ? 1u : 2u;
    ASSERT_EQ(publishers.ids.size(), publishing_threads);
    EXPECT_EQ(publishers.ids[0], std::this_thread::get_id());
    EXPECT_TRUE(tables_equal(trans->influence_table().data(), reference_for_dome().data()));
}

TEST(TableBuild, LiftingTheWorkerLimitMidBuildEndsWithTheSameTable) {
    for (int rows : {0, 300, 1200}) {
        auto trans = std::make_unique<LUMOTransform>(3);
        if (trans->table_builder().builds_in_slices()) GTEST_SKIP() << "a build in slices has no workers to limit";
        trans->set_init_position_and_mass_at_startup(true);
        trans->start_table_build(1);
        while (trans->initializing_index() >= 0 && trans->initializing_index() < rows) std::this_thread::yield();
        trans->table_builder().set_worker_limit(0);
        wait_for_build(*trans);
        EXPECT_TRUE(tables_equal(trans->influence_table().data(), reference_for_dome().data())) << rows;
    }
}

TEST(TableBuild, StartPublishesZeroBeforeReturning) {
    auto trans = make_dome(true);
    ASSERT_EQ(trans->initializing_index(), -1);
    trans->start_table_build();
    // Whatever the build thread has done by now, -1 cannot be seen until it finished again.
    const int32_t seen = trans->initializing_index();
    EXPECT_TRUE(seen >= 0 || !trans->table_build_running());
    wait_for_build(*trans);
}

TEST(TableBuild, ARestartWhileRunningEndsWithTheNewShapesTable) {
    auto trans = make_dome();
    trans->start_table_build();
    // Re-sculpt and restart mid-build, several times.
    for (int round = 0; round < 3; ++round) {
        while (trans->initializing_index() >= 0 && trans->initializing_index() < 200 * (round + 1)) {
            trans->table_builder().build_slice(0.0005);
            std::this_thread::yield();
        }
        for (int v = 0; v < kVertexCount; ++v) trans->surface_vertices()[3 * v + 2] += 0.002f * (v % 7);
        trans->set_init_position_and_mass_at_startup(false);  // stops the running build first
        trans->start_table_build();
    }
    wait_for_build(*trans);
    std::vector<float> reference(static_cast<size_t>(kVertexCount) * kVertexCount);
    build_reference_table(trans->rest_shape(), reference);
    EXPECT_TRUE(tables_equal(trans->influence_table().data(), reference.data()));
}

TEST(TableBuild, StoppingLeavesTheStepHeldOff) {
    auto trans = make_dome();
    trans->start_table_build();
    trans->stop_table_build();
    EXPECT_FALSE(trans->table_build_running());
    // A build that did not finish never publishes -1.
    const int32_t index = trans->initializing_index();
    if (index >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(trans->initializing_index(), index);
    }
}

TEST(TableBuild, DestroyingTheTransformDuringABuildJoinsIt) {
    for (int n = 0; n < 5; ++n) {
        auto trans = make_dome();
        trans->start_table_build();
        std::this_thread::sleep_for(std::chrono::microseconds(300 * n));
        trans.reset();
    }
    SUCCEED();
}

TEST(TableBuild, InSlicesEachSliceReturnsAndTheWholeEqualsThePlainBuild) {
    auto trans = std::make_unique<LUMOTransform>(TableBuilder::kBuildInSlices);
    trans->set_init_position_and_mass_at_startup(true);
    ASSERT_TRUE(trans->table_builder().builds_in_slices());
    trans->start_table_build();
    EXPECT_EQ(trans->initializing_index(), 0);  // nothing is built until a slice runs
    int slices = 0;
    int32_t before = 0;
    while (trans->table_builder().build_slice(0.0001)) {
        ++slices;
        const int32_t now = trans->initializing_index();
        ASSERT_GT(now, before);  // every slice builds at least one chunk of rows
        before = now;
    }
    EXPECT_EQ(trans->initializing_index(), -1);
    EXPECT_GT(slices, 10);
    EXPECT_TRUE(tables_equal(trans->influence_table().data(), reference_for_dome().data()));
    auto expected = make_dome();
    expected->set_distance_of(expected->force_record(0));
    EXPECT_EQ(trans->gravity_weights(), expected->gravity_weights());
}

TEST(TableBuild, InSlicesWaitingBuildsTheRest) {
    auto trans = std::make_unique<LUMOTransform>(TableBuilder::kBuildInSlices);
    trans->set_init_position_and_mass_at_startup(true);
    trans->start_table_build();
    trans->table_builder().build_slice(0.0001);
    trans->wait_for_table_build();
    EXPECT_EQ(trans->initializing_index(), -1);
    EXPECT_TRUE(tables_equal(trans->influence_table().data(), reference_for_dome().data()));
}

TEST(TableBuild, SynchronousBuildAfterABackgroundOneIsComplete) {
    auto trans = make_dome();
    trans->start_table_build();
    trans->init_distance();
    EXPECT_EQ(trans->initializing_index(), -1);
    EXPECT_TRUE(tables_equal(trans->influence_table().data(), reference_for_dome().data()));
}

// A stand-in for the browser's Web Workers: whole rows written in bands of
// 100 whose second half lands one call before the first, up to a row where
// it fails, or refusing to start at all.
class BandFarm : public RowFarm {
public:
    BandFarm(int fail_at, bool starts) : fail_at_(fail_at), starts_(starts) {}
    bool start(const float* rest_shape, float* table) override {
        if (!starts_) return false;
        for (int v = 0; v < kVertexCount; ++v) {
            xs_[v] = rest_shape[3 * v];
            ys_[v] = rest_shape[3 * v + 1];
            zs_[v] = rest_shape[3 * v + 2];
        }
        table_ = table;
        contiguous_ = 0;
        half_landed_ = false;
        return true;
    }
    int rows_done() override {
        const int end = std::min({contiguous_ + 100, fail_at_, kVertexCount});
        if (table_ == nullptr || contiguous_ >= end) return contiguous_;
        const int middle = (contiguous_ + end) / 2;
        if (!half_landed_) {
            write_rows(middle, end);
        } else {
            write_rows(contiguous_, middle);
            contiguous_ = end;
        }
        half_landed_ = !half_landed_;
        return contiguous_;
    }
    bool failed() override { return contiguous_ >= fail_at_; }
    void cancel() override { table_ = nullptr; }
    int contiguous_ = 0;

private:
    void write_rows(int first, int end) {
        for (int i = first; i < end; ++i)
            influence_row(xs_.data(), ys_.data(), zs_.data(), i, 0, kVertexCount, table_ + size_t(i) * kVertexCount);
    }
    int fail_at_;
    bool starts_;
    float* table_ = nullptr;
    bool half_landed_ = false;
    alignas(16) std::array<float, kVertexCount + 16> xs_{}, ys_{}, zs_{};
};

// However the farm fares, the rows are published in order, never ahead of
// what it has written, and the table and gravity weights come out the same
// to the bit: farmed, finished here after a failure, or built here alone.
TEST(TableBuild, RowsFromAFarmArePublishedInOrderAndTheRestIsBuiltHere) {
    const struct {
        int fail_at;
        bool starts;
        bool wait;
    } rows[] = {{kVertexCount + 1, true, false},
                {1050, true, false},
                {0, true, false},
                {kVertexCount + 1, false, false},
                {700, true, true}};
    for (const auto& row : rows) {
        auto trans = std::make_unique<LUMOTransform>(TableBuilder::kBuildInSlices);
        BandFarm farm(row.fail_at, row.starts);
        trans->table_builder().set_row_farm(&farm);
        trans->set_init_position_and_mass_at_startup(true);
        std::vector<int32_t> published;
        trans->table_builder().set_progress_hook([&published](int32_t value) { published.push_back(value); });
        trans->start_table_build();
        EXPECT_EQ(trans->table_builder().farming(), row.starts) << row.fail_at;
        if (row.wait) {
            trans->table_builder().build_slice(0.0001);
            trans->wait_for_table_build();
        }
        while (trans->table_builder().build_slice(0.0001)) {
            if (trans->table_builder().farming()) ASSERT_LE(trans->initializing_index(), farm.contiguous_);
        }
        ASSERT_EQ(published.size(), static_cast<size_t>(kVertexCount)) << row.fail_at;
        for (int k = 0; k < kVertexCount - 1; ++k) ASSERT_EQ(published[k], k) << row.fail_at;
        EXPECT_EQ(published.back(), -1);
        EXPECT_TRUE(tables_equal(trans->influence_table().data(), reference_for_dome().data())) << row.fail_at;
        auto expected = make_dome();
        expected->set_distance_of(expected->force_record(0));
        EXPECT_EQ(trans->gravity_weights(), expected->gravity_weights()) << row.fail_at;
        trans->table_builder().set_row_farm(nullptr);
    }
}

}  // namespace
}  // namespace lumo::testing
