#pragma once
// The table builder's row farm where the host computes rows itself (the
// browser's Web Workers): the host functions behind the builder's interface.

#include "sim/table_builder.h"

namespace lumo {

// One for the program's life; the builder uses it only when it builds in slices.
RowFarm* host_row_farm();

}  // namespace lumo
