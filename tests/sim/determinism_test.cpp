// A scripted poke gives the same surface to the bit, however the tables were built.

#include <cstdint>
#include <memory>
#include <thread>

#include "sim_fixture.h"

namespace lumo::testing {
namespace {

template <typename Floats>
uint64_t hash_bits(const Floats& values) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a over the bits
    for (float value : values) {
        hash ^= bits_of(value);
        hash *= 1099511628211ull;
    }
    return hash;
}

uint64_t hash_surface(const LUMOTransform& trans) { return hash_bits(trans.current_surface()); }

enum class Build { synchronous, background };

uint64_t run_script(int workers, Build build) {
    auto trans = std::make_unique<LUMOTransform>(workers);
    trans->set_init_position_and_mass_at_startup(true);
    if (build == Build::synchronous) {
        trans->init_distance();
    } else {
        trans->start_table_build();
        while (trans->initializing_index() >= 0) {
            trans->table_builder().build_slice(0.001);  // builds only when there are no workers
            std::this_thread::yield();
        }
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
    EXPECT_EQ(run_script(TableBuilder::kBuildInSlices, Build::background), expected);
}

// The same bits on every machine and compiler that builds lumo: the native
// build and the browser's WebAssembly build both check these. They were
// taken from the native build; a change means results now differ between
// platforms, or the model itself changed.
TEST(Determinism, TheSameBitsOnEveryPlatform) {
    auto trans = make_dome(true);
    EXPECT_EQ(hash_bits(trans->influence_table()), 0x85bc6bfcd3371e21ull)
        << std::hex << hash_bits(trans->influence_table());
    EXPECT_EQ(hash_bits(trans->gravity_weights()), 0x38c0cd5272919b31ull)
        << std::hex << hash_bits(trans->gravity_weights());
    EXPECT_EQ(run_script(1, Build::synchronous), 0x5ce7da938ad8c225ull)
        << std::hex << run_script(1, Build::synchronous);
}

}  // namespace
}  // namespace lumo::testing
