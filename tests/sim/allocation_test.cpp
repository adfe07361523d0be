// Once created, the simulation allocates nothing: not per step, not to pick
// or drive handles, not to build its tables.

#include <thread>

#include "sim_fixture.h"
#include "support/allocation_counter.h"

namespace lumo::testing {
namespace {

TEST(Allocation, NothingAfterCreation) {
    if (!allocation_counting_enabled()) GTEST_SKIP() << "sanitizer builds keep their own allocator";
    auto trans = make_dome();
    AllocationCounter counter;

    trans->init_distance();
    trans->start_table_build();
    while (trans->initializing_index() >= 0) {
        trans->table_builder().build_slice(0.001);  // builds only when there are no workers
        std::this_thread::yield();
    }
    for (int frame = 0; frame < 50; ++frame) {
        trans->setAccelDirectionAt(0, 0.2f, -0.1f, -0.5f);
        trans->transform();
    }
    trans->push_surface_at({0.02f, 0.03f}, 1);
    trans->move_surface_at({0.1f, 0.1f}, 1);
    trans->release_surface_at({}, 1);
    (void)trans->current_surface_z_at({0.05f, -0.05f});
    (void)trans->cur_fine_closest_index_at({0.5f, 0.5f});
    trans->set_init_position_and_mass_at_startup(false);
    trans->set_init_position_and_mass_at_startup(true);

    EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace lumo::testing
