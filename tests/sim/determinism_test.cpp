// A scripted poke gives the same surface to the bit, however the tables were built.

#include <cstdint>
#include <memory>
#include <thread>

#include "sim_fixture.h"

namespace lumo::testing {
namespace {

uint64_t hash_surface(const LUMOTransform& trans) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a over the bits
    for (float value : trans._cur_surface_pos) {
        hash ^= bits_of(value);
        hash *= 1099511628211ull;
    }
    return hash;
}

enum class Build { synchronous, background };

uint64_t run_script(int workers, Build build) {
    auto trans = std::make_unique<LUMOTransform>(workers);
    trans->set_init_position_and_mass_at_startup(true);
    if (build == Build::synchronous) {
        trans->init_distance();
    } else {
        trans->start_table_build();
        while (trans->initializing_index() >= 0) std::this_thread::yield();
    }
    for (int frame = 0; frame < 120; ++frame) {
        if (frame == 10) trans->push_surface_at({0.01f, -0.02f}, 2);
        if (frame >= 11 && frame < 30) trans->move_surface_at({0.01f + frame * 0.004f, -0.02f}, 2);
        if (frame == 15) trans->push_surface_at({-0.05f, 0.1f}, 4);
        if (frame == 40) trans->release_surface_at({}, 2);
        if (frame == 50) trans->release_surface_at({}, 4);
        trans->setAccelDirectionAt(0, 0.1f * (frame % 3), -0.3f, -0.5f);
        trans->transform();
    }
    return hash_surface(*trans);
}

TEST(Determinism, SameSurfaceWhateverBuiltTheTables) {
    const uint64_t expected = run_script(1, Build::synchronous);
    EXPECT_EQ(run_script(2, Build::synchronous), expected);
    EXPECT_EQ(run_script(1, Build::background), expected);
    EXPECT_EQ(run_script(4, Build::background), expected);
}

}  // namespace
}  // namespace lumo::testing
