// Where the picture and the panel go, from the headless default to a phone
// and a wide window: how many rows fit (the tilt's go first, then the
// tools'), and the panel over the picture never above the tap band's foot.

#include <gtest/gtest.h>

#include "platform/window_metrics.h"
#include "ui/panel_layout.h"

namespace lumo {
namespace {

TEST(PanelLayout, RowsGoTiltFirstThenToolsAndThePanelKeepsClearOfTheTapBand) {
    using M = PanelMetrics;
    using P = PanelPlace;
    struct Row {
        float width, height;
        PanelPlace place;
        int rows;
    };
    for (const Row& row :
         {Row{320, 480, P::over, M::kCompactRows}, Row{320, 540, P::over, M::kToolRows},
          Row{320, 600, P::over, M::kRows}, Row{400, 900, P::below, M::kRows}, Row{390, 844, P::over, M::kRows},
          Row{390, 700, P::over, M::kToolRows}, Row{900, 600, P::beside, M::kRows},
          Row{640, 200, P::beside, M::kToolRows}, Row{600, 150, P::beside, M::kCompactRows}}) {
        SCOPED_TRACE(::testing::Message() << row.width << " x " << row.height);
        const float scale = interface_scale(static_cast<int>(std::min(row.height, row.width * 1.5f)));
        const InterfaceLayout layout = lay_out_interface(row.width, row.height, scale);
        EXPECT_EQ(layout.place, row.place);
        EXPECT_EQ(layout.rows, row.rows);
        EXPECT_FLOAT_EQ(layout.panel.height, M::height(layout.rows, scale));
        EXPECT_TRUE(layout.panel.x >= 0 && layout.panel.y >= 0);
        EXPECT_TRUE(layout.panel.right() <= row.width && layout.panel.bottom() <= row.height);
        if (row.place == P::over && row.rows > M::kCompactRows) EXPECT_GE(layout.panel.y, layout.view.height * 0.75f);
    }
}

// A view that would grow the interface past the room for the tools' row
// gets a smaller scale (never below 1) that keeps it.
TEST(PanelLayout, TheScaleShrinksToKeepTheToolsRow) {
    struct Row {
        float width, height;
        float scale;  // the view's, interface_scale()
        bool shrinks;
    };
    for (const Row& row : {Row{768, 1024, 1024 / 480.0f, true}, Row{640, 960, 2.0f, true}, Row{900, 700, 1.45f, true},
                           Row{390, 844, 1.22f, false}, Row{844, 390, 1.0f, false}, Row{320, 480, 1.0f, false}}) {
        SCOPED_TRACE(::testing::Message() << row.width << " x " << row.height);
        const float scale = panel_scale(row.width, row.height, row.scale);
        EXPECT_GE(scale, 1.0f);
        EXPECT_LE(scale, row.scale);
        EXPECT_EQ(scale < row.scale, row.shrinks);
        if (row.shrinks) {
            EXPECT_GE(lay_out_interface(row.width, row.height, scale).rows, PanelMetrics::kToolRows);
            EXPECT_LT(lay_out_interface(row.width, row.height, scale + 1.0f / 16.0f).rows, PanelMetrics::kToolRows)
                << "the largest scale that keeps the row";
        }
    }
}

}  // namespace
}  // namespace lumo
