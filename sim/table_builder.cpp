// The influence-table build, split into chunks of rows that the workers take
// in increasing order. Each chunk fills the upper half of its rows, then
// copies it into the lower half column-tile by column-tile, so the transposed
// writes stay in cache lines. Progress is published in row order: the value k
// means rows 0..k-1 are complete in both halves.

#include "table_builder.h"

#include <algorithm>
#include <utility>

#include "influence_kernel.h"

namespace lumo {

namespace {

#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
constexpr bool kThreadsAvailable = false;
#else
constexpr bool kThreadsAvailable = true;
#endif

}  // namespace

TableBuilder::TableBuilder(int worker_count) {
    if (!kThreadsAvailable || worker_count == kBuildInSlices) {
        worker_count_ = 0;
        rows_per_chunk_ = kRowsPerSliceChunk;
        chunk_count_ = (kBuiltRows + kRowsPerSliceChunk - 1) / kRowsPerSliceChunk;
        return;
    }
    if (worker_count <= 0) worker_count = static_cast<int>(std::thread::hardware_concurrency());
    worker_count_ = std::clamp(worker_count, 1, kMaxWorkers);
    for (int w = 0; w < worker_count_; ++w) workers_[w] = std::thread([this] { worker_main(); });
}

TableBuilder::~TableBuilder() {
    cancel();
    {
        std::lock_guard lock(state_mutex_);
        shutdown_ = true;
    }
    work_ready_.notify_all();
    for (int w = 0; w < worker_count_; ++w) workers_[w].join();
}

void TableBuilder::set_progress_hook(ProgressHook hook) {
    cancel();
    hook_ = std::move(hook);
}

bool TableBuilder::running() const {
    std::lock_guard lock(state_mutex_);
    return job_open_;
}

void TableBuilder::wait() {
    if (builds_in_slices() && running()) {
        // Nothing here can wait for a farm: what it has not written is built here.
        if (farming_) take_farmed_rows();
        if (farming_) {
            farm_->cancel();
            farming_ = false;
        }
        if (whole_rows_ > 0 && running()) build_whole_rows(std::chrono::steady_clock::time_point::max());
    }
    if (builds_in_slices()) participate();
    std::unique_lock lock(state_mutex_);
    work_idle_.wait(lock, [this] { return !job_open_ && active_ == 0; });
}

void TableBuilder::set_row_farm(RowFarm* farm) {
    cancel();
    farm_ = farm;
}

void TableBuilder::cancel() {
    if (farming_) {
        farm_->cancel();
        farming_ = false;
    }
    std::unique_lock lock(state_mutex_);
    if (!job_open_ && active_ == 0) return;
    cancel_.store(true, std::memory_order_relaxed);
    job_open_ = false;
    work_idle_.wait(lock, [this] { return active_ == 0; });
    cancel_.store(false, std::memory_order_relaxed);
}

// Called with no worker active: the job fields are ours alone until the
// generation changes under the state lock.
void TableBuilder::open_job(const Job& job, int workers) {
    cancel();
    job_ = job;
    for (int v = 0; v < kVertexCount; ++v) {
        xs_[v] = job.rest_shape[3 * v];
        ys_[v] = job.rest_shape[3 * v + 1];
        zs_[v] = job.rest_shape[3 * v + 2];
    }
    next_chunk_.store(0, std::memory_order_relaxed);
    {
        std::lock_guard lock(publish_mutex_);
        chunk_done_.fill(false);
        chunks_published_ = 0;
        last_published_ = 0;
    }
    publish(0);
    whole_rows_ = 0;
    farming_ = builds_in_slices() && farm_ != nullptr && farm_->start(job.rest_shape, job.table);
    std::lock_guard lock(state_mutex_);
    job_open_ = true;
    job_workers_ = workers;
    ++generation_;
}

void TableBuilder::start(const Job& job, int workers) {
    open_job(job, workers);
    // A farm may have the rows already (the browser's, for the default dome).
    if (farming_) take_farmed_rows();
    work_ready_.notify_all();
}

void TableBuilder::set_worker_limit(int workers) {
    {
        std::lock_guard lock(state_mutex_);
        job_workers_ = workers;
        ++generation_;  // wakes the workers kept out, to try again
    }
    work_ready_.notify_all();
}

void TableBuilder::run(const Job& job) {
    open_job(job, 0);
    work_ready_.notify_all();
    participate();
    std::unique_lock lock(state_mutex_);
    work_idle_.wait(lock, [this] { return !job_open_ && active_ == 0; });
}

void TableBuilder::worker_main() {
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock lock(state_mutex_);
            work_ready_.wait(lock, [&] { return shutdown_ || generation_ != seen; });
            if (shutdown_) return;
            seen = generation_;
        }
        participate();
    }
}

// Joins the open job, if any, and takes chunks until none is left.
void TableBuilder::participate() {
    {
        std::lock_guard lock(state_mutex_);
        if (!job_open_ || (job_workers_ > 0 && active_ >= job_workers_)) return;
        ++active_;
    }
    while (build_next_chunk()) {
    }
    {
        std::lock_guard lock(state_mutex_);
        --active_;
    }
    work_idle_.notify_all();
}

// false when nothing is left to take or the build was stopped.
bool TableBuilder::build_next_chunk() {
    if (cancel_.load(std::memory_order_relaxed)) return false;
    const int chunk = next_chunk_.fetch_add(1, std::memory_order_relaxed);
    if (chunk >= chunk_count_) return false;
    if (!build_chunk(chunk)) return false;
    chunk_finished(chunk);
    return true;
}

bool TableBuilder::build_slice(double budget_seconds) {
    if (!builds_in_slices() || !running()) return false;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const auto budget = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(budget_seconds));
    if (farming_) {
        if (take_farmed_rows()) return running();
        farming_ = false;  // it failed: built here from now on
    }
    if (whole_rows_ > 0) {
        // The rows the farm left are built here, whole.
        build_whole_rows(start + budget);
        return running();
    }
    for (;;) {
        const Clock::time_point before = Clock::now();
        if (!build_next_chunk()) break;
        last_chunk_time_ = Clock::now() - before;
        // Stop while another chunk like the last would still fit.
        if (Clock::now() - start + last_chunk_time_ > budget) break;
    }
    return running();
}

bool TableBuilder::build_chunk(int chunk) {
    const int first = chunk * rows_per_chunk_;
    const int end = std::min(first + rows_per_chunk_, kBuiltRows);
    float* table = job_.table;
    for (int i = first; i < end; ++i) {
        if (cancel_.load(std::memory_order_relaxed)) return false;
        float* row = table + static_cast<size_t>(i) * kVertexCount;
        row[i] = 1.0f;
        influence_row(xs_.data(), ys_.data(), zs_.data(), i, i + 1, kVertexCount, row);
    }
    // Mirror the chunk's rows into its columns: one short contiguous run per row j.
    for (int j = first + 1; j < kVertexCount; ++j) {
        float* mirrored = table + static_cast<size_t>(j) * kVertexCount;
        const int last = std::min(end, j);
        for (int i = first; i < last; ++i) mirrored[i] = table[static_cast<size_t>(i) * kVertexCount + j];
    }
    return true;
}

void TableBuilder::chunk_finished(int chunk) {
    bool complete = false;
    {
        std::lock_guard lock(publish_mutex_);
        chunk_done_[chunk] = true;
        const int published_before = chunks_published_;
        while (chunks_published_ < chunk_count_ && chunk_done_[chunks_published_]) ++chunks_published_;
        const int complete_rows = std::min(chunks_published_ * rows_per_chunk_, kBuiltRows);
        // The value 2499 never appears: after row 2498 comes -1.
        const int32_t newest = std::min(complete_rows, kBuiltRows - 1);
        while (last_published_ < newest) publish(++last_published_);
        // Exactly one call sees the last chunk join the published run.
        complete = published_before < chunk_count_ && chunks_published_ == chunk_count_;
    }
    if (complete) finish_job();
}

// Publishes the rows the farm has written; false once it has failed (the
// rows it wrote stay published).
bool TableBuilder::take_farmed_rows() {
    if (!farming_) return false;
    whole_rows_ = std::clamp(farm_->rows_done(), whole_rows_, kVertexCount);
    while (last_published_ < std::min(whole_rows_, kBuiltRows - 1)) publish(++last_published_);
    if (whole_rows_ == kVertexCount) {
        farming_ = false;
        finish_job();
        return true;
    }
    return !farm_->failed();
}

// Whole rows, both halves, from the first one missing, until the deadline
// (at least one row). Chunks and their mirrored columns cannot take over
// here: the rows below hold none of their columns yet.
bool TableBuilder::build_whole_rows(std::chrono::steady_clock::time_point deadline) {
    while (whole_rows_ < kVertexCount) {
        float* row = job_.table + static_cast<size_t>(whole_rows_) * kVertexCount;
        influence_row(xs_.data(), ys_.data(), zs_.data(), whole_rows_, 0, kVertexCount, row);
        ++whole_rows_;
        while (last_published_ < std::min(whole_rows_, kBuiltRows - 1)) publish(++last_published_);
        if (std::chrono::steady_clock::now() >= deadline) break;
    }
    if (whole_rows_ < kVertexCount) return true;
    finish_job();
    return false;
}

void TableBuilder::finish_job() {
    job_.table[static_cast<size_t>(kVertexCount - 1) * kVertexCount + (kVertexCount - 1)] = 1.0f;
    if (job_.gravity != nullptr) {
        const float* c = job_.gravity_center;
        for (int v = 0; v < kVertexCount; ++v)
            job_.gravity[v] = gravity_weight(xs_[v], ys_[v], zs_[v], c[0], c[1], c[2]);
    }
    // -1 only once the gravity weights are written too: the step may start at once.
    publish(-1);
    builds_finished_.fetch_add(1, std::memory_order_release);
    {
        std::lock_guard lock(state_mutex_);
        job_open_ = false;
    }
    work_idle_.notify_all();
}

void TableBuilder::publish(int32_t value) {
    job_.progress->store(value, std::memory_order_release);
    if (hook_) hook_(value);
}

}  // namespace lumo
