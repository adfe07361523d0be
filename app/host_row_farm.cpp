#include "app/host_row_farm.h"

#include "platform/host.h"

namespace lumo {
namespace {

class HostRowFarm final : public RowFarm {
public:
    bool start(const float* rest_shape, float* table) override { return host_table_rows_start(rest_shape, table); }
    int rows_done() override { return host_table_rows_done(); }
    bool failed() override { return host_table_rows_failed(); }
    void cancel() override { host_table_rows_cancel(); }
};

}  // namespace

RowFarm* host_row_farm() {
    static HostRowFarm farm;
    return &farm;
}

}  // namespace lumo
