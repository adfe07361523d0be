#pragma once
// Counts calls of the global operator new in this process, so tests can
// prove that a piece of code allocates nothing.

#include <cstddef>

namespace lumo::testing {

// False in sanitizer builds, which keep their own allocator.
bool allocation_counting_enabled();
std::size_t allocation_count();

// Allocations made between construction and count().
class AllocationCounter {
public:
    AllocationCounter() : start_(allocation_count()) {}
    std::size_t count() const { return allocation_count() - start_; }

private:
    std::size_t start_;
};

}  // namespace lumo::testing
