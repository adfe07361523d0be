#pragma once
// The whole state of the deformable surface: rest shape, target and current
// surfaces, the five force records, the influence table and gravity weights.
// Created once (on the heap: the table alone is 25,000,000 bytes) and never
// reallocated; surface_vertices() is stable for the object's life.

#include <array>
#include <atomic>
#include <cstddef>
#include <new>
#include <cstdint>
#include <span>
#include <vector>

#include "input_force.h"
#include "surface_grid.h"
#include "table_builder.h"

namespace lumo {

// Whether 7500 floats form a rest shape as a set-up leaves one: x and y on
// the grid points exactly, heights between kRestHeightMin and
// kRestHeightMax, and the rim at kRestHeightMin.
bool is_rest_shape(std::span<const float> positions);

class LUMOTransform {
public:
    // build_workers: threads that build the influence table; 0 = one per core.
    explicit LUMOTransform(int build_workers = 0);
    ~LUMOTransform();  // stops and joins a running build
    LUMOTransform(const LUMOTransform&) = delete;
    LUMOTransform& operator=(const LUMOTransform&) = delete;

    // About 25 MB, nearly all influence table, which a build writes in
    // scattered order: allocated on huge-page boundaries so that the system
    // can back it with huge pages and the build is not held up by TLB misses.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, std::align_val_t);
    static void operator delete(void* p);
    static void operator delete(void* p, std::align_val_t);

    // --- Rest shape and records ---------------------------------------------
    static float surfaceHeightAtX(float x, float y);  // the default dome
    // true: the default dome; false: sample the current surface at the grid
    // points. Stops a running table build first: it reads the rest shape.
    void set_init_position_and_mass_at_startup(bool from_default_dome);
    // A stored rest shape taken as it is (is_rest_shape), without sampling
    // or normalising it again, so that a shape saved and opened again keeps
    // every bit; then the rest of the set-up. false, changing nothing, for
    // positions that are no such rest shape.
    bool set_rest_shape_exactly(std::span<const float> positions);
    void normalizeToZDirection();
    void copy_init_surface_pos_to_cur();
    void copy_init_surface_pos_to_target();
    float* surface_vertices() { return _cur_surface_pos.data(); }
    const float* surface_vertices() const { return _cur_surface_pos.data(); }
    std::vector<float> getInitSurfacePosition() const;
    // Writes into the current surface (not the rest shape). Refuses, writing
    // nothing, unless there are exactly 7500 values and all are finite.
    bool setInitSurfacePositionBy(std::span<const float> values);

    // --- Influence tables ---------------------------------------------------
    // The whole build on the calling thread (helped by the build workers):
    // table, then gravity weights, then -1.
    void init_distance();
    void init_distance_table();  // the table alone, ending with -1
    void set_distance_of(InputForce* force);
    // The build in the background: stops a running one, publishes 0 on this
    // thread and returns at once. Does nothing when a background build has
    // started since the rest shape was last set up and was not stopped: the
    // program starts the build before its window, and launching asks again.
    // workers: at most this many build threads take part (0: all).
    void start_table_build(int workers = 0);
    void stop_table_build();  // the next start builds afresh
    void wait_for_table_build() { builder_.wait(); }
    bool table_build_running() const { return builder_.running(); }
    TableBuilder& table_builder() { return builder_; }

    // Acquire on read, release on write: -1 makes the finished table visible.
    int32_t initializing_index() const { return _initializing_index.load(std::memory_order_acquire); }
    void set_initializing_index(int32_t value) { _initializing_index.store(value, std::memory_order_release); }
    float time_interval() const { return _time_interval; }
    void set_time_interval(float seconds) { _time_interval = seconds; }

    // --- Simulation step ----------------------------------------------------
    void transform();
    void apply_pos_to_force_of_force(InputForce* force);
    void apply_force_to_velocity_of_force(InputForce* force);
    void apply_velocity_to_pos_of_force(InputForce* force);
    void clear_force_of_force(InputForce* force);
    void apply_to_surface_of_input_forces();
    void apply_target_surface_to_cur();
    void setAccelDirectionAt(int index, float x, float y, float z);
    void setAccelAt(int index, float x, float y, float z);

    // --- Picking, height sampling and touch handles ---------------------------
    int cur_closest_index_at(Point p) const;
    int cur_fine_closest_index_at(Point p) const;
    int cur_highest_close_index_at(Point p, float radius) const;
    float current_surface_z_at(Point p) const;
    void push_surface_at(Point p, int n);
    void move_surface_at(Point p, int n);
    void release_surface_at(Point p, int n);

    // --- What the surface holds, read by the view, the files and the tests ---
    const std::array<float, kSurfaceFloatCount>& rest_shape() const { return _init_surface_pos; }
    const std::array<float, kSurfaceFloatCount>& target_surface() const { return _target_surface_pos; }
    const std::array<float, kSurfaceFloatCount>& current_surface() const { return _cur_surface_pos; }
    float total_volume() const { return _total_volume; }
    const InputForce& input_force(int record) const { return _input_forces[record]; }
    // A record itself, for the operations on one record (the step's parts,
    // set_distance_of), which take it by pointer.
    InputForce* force_record(int record) { return &_input_forces[record]; }
    const std::array<float, kVertexCount>& gravity_weights() const { return _distance_for_gravity; }
    // 2500 rows of 2500 weights; complete once initializing_index() is -1.
    std::span<const float> influence_table() const { return _distance_table; }

private:
    // The design's state, in declaration order.
    // Main thread only, except the rest shape, which a running build has
    // copied before it starts, and the table, gravity weights and
    // _initializing_index, which a build writes and the main thread reads only
    // after seeing -1.
    std::array<float, kSurfaceFloatCount> _init_surface_pos{};
    std::array<float, kSurfaceFloatCount> _target_surface_pos{};
    std::array<float, kSurfaceFloatCount> _cur_surface_pos{};
    float _total_volume = 0.0f;
    std::array<float, kVertexCount> _distance_for_gravity{};
    std::array<InputForce, kForceCount> _input_forces{};
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    // Built in slices between frames on the main thread: zeroed with the
    // object, so that no slice pays for touching its pages the first time
    // (the transposed half touches thousands of them per slice).
    std::array<float, kVertexCount * kVertexCount> _distance_table{};
#else
    // Left unzeroed: a build writes every entry before it publishes -1, and
    // nothing reads it sooner. Zeroing 25 MB would hold up the start-up, and
    // the build's workers, not the main thread, fault its pages in.
    std::array<float, kVertexCount * kVertexCount> _distance_table;
#endif
    float _time_interval = static_cast<float>(kFrameInterval);
    float _last_time = 0.0f;  // declared by the design; nothing reads or writes it
    std::atomic<int32_t> _initializing_index{0};

    TableBuilder::Job build_job();
    void finish_set_up();  // volume, centroid and records from the rest shape; the copies
    void reset_force_records(float cx, float cy, float cz);
    float* influence_row_of(int vertex) { return _distance_table.data() + vertex * kVertexCount; }

    TableBuilder builder_;
    bool table_started_ = false;  // main thread: a background build for this rest shape is under way or done
};

}  // namespace lumo
