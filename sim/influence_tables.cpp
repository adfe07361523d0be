// The transform's side of the influence-table build: what a build reads and
// writes, and the operations that run it.

#include "influence_kernel.h"
#include "lumo_transform.h"

namespace lumo {

TableBuilder::Job LUMOTransform::build_job() {
    TableBuilder::Job job;
    job.rest_shape = _init_surface_pos.data();
    for (int axis = 0; axis < 3; ++axis) job.gravity_center[axis] = _input_forces[0].init_pos[axis];
    job.table = _distance_table.data();
    job.gravity = _distance_for_gravity.data();
    job.progress = &_initializing_index;
    return job;
}

void LUMOTransform::init_distance() { builder_.run(build_job()); }

void LUMOTransform::init_distance_table() {
    TableBuilder::Job job = build_job();
    job.gravity = nullptr;
    builder_.run(job);
}

void LUMOTransform::set_distance_of(InputForce* force) {
    const float* c = force->init_pos;
    for (int v = 0; v < kVertexCount; ++v) {
        const float* p = &_init_surface_pos[3 * v];
        force->distance[v] = gravity_weight(p[0], p[1], p[2], c[0], c[1], c[2]);
    }
}

void LUMOTransform::start_table_build(int workers) {
    if (table_started_) return;  // this rest shape's table is being built, or is built
    builder_.start(build_job(), workers);
    table_started_ = true;
}

void LUMOTransform::stop_table_build() {
    builder_.cancel();
    table_started_ = false;
}

}  // namespace lumo
