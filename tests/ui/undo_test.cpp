// Undo and Redo of what replaces the rest shape or the picture: the
// history's bounds, then the application driven as a user drives it (the
// panel's buttons, the keys, the menus, dropped files).

#include <cstring>

#include "app/change_history.h"
#include "shape/shape_file.h"
#include "support/app_harness.h"
#include "support/sample_shapes.h"
#include "support/solid_picture.h"

namespace lumo::testing {
namespace {

std::shared_ptr<const Picture> shade(int side, int value) {
    const auto v = static_cast<uint8_t>(value);
    return std::make_shared<const Picture>(solid_picture(side, side, {v, v, v, 255}));
}

// 2048 x 2048 is a shape file's largest picture: the byte bound trims those.
TEST(ChangeHistory, KeepsThirtyStepsOrMoreUnderItsBoundAndDropsTheOldestFirst) {
    struct Row {
        int side, count;
        bool shared;  // one picture for every action, counted once
        int steps;
    };
    const RestShape rest{};
    for (const Row& row : {Row{512, 40, false, 32}, Row{512, 40, true, 32}, Row{2048, 4, false, 2}}) {
        ChangeHistory history;
        std::vector<std::shared_ptr<const Picture>> pictures;
        for (int k = 0; k < row.count; ++k) {
            pictures.push_back(row.shared && k > 0 ? pictures[0] : shade(row.side, k));
            history.record(ViewChange::picture, rest, pictures.back());
        }
        EXPECT_EQ(history.undo_steps(), row.steps) << row.side;
        EXPECT_LE(history.bytes(), row.shared ? 2 * pictures[0]->byte_count() : ChangeHistory::kMaxBytes);
        for (int k = row.count - 1; k >= row.count - row.steps; --k)
            EXPECT_EQ(history.undo(rest, {})->picture, pictures[k]);
        EXPECT_FALSE(history.undo(rest, {}));
    }
}

struct Shown {  // the rest shape to the bit, and which picture
    RestShape rest_shape;
    std::shared_ptr<const Picture> picture;
    bool operator==(const Shown& o) const {
        return std::memcmp(rest_shape.data(), o.rest_shape.data(), sizeof rest_shape) == 0 && picture == o.picture;
    }
};

class Undo : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        options_.window_width = 900;  // the panel beside the view, at its widest, every row shown
        options_.window_height = 600;
        launch();
        app().run_for(0.2);
    }
    Shown shown() { return {trans().rest_shape(), view().picture()}; }
    // A finger holds the dome down a while, then Fix makes the dent the rest shape.
    void sculpt_and_fix(float x, float y) {
        app().push_finger(SDL_FINGERDOWN, 1, x, y);
        app().run_for(0.6);
        view().surfaceEditFixed();
        app().push_finger(SDL_FINGERUP, 1, x, y);
        app().run_for(0.1);
    }
    // The control as last drawn; "(off) ..." when it cannot be pressed.
    std::string caption(ControlPanel::Control control) {
        drawn_.forget();
        app().run_for(0.1);
        const PanelRect r = app().ui().panel()->rect_of(control);
        const std::vector<DrawnItem> drawn = drawn_.controls();
        for (auto item = drawn.rbegin(); item != drawn.rend(); ++item)
            if (item->min.x == r.x && item->min.y == r.y) return (item->enabled ? "" : "(off) ") + item->caption;
        return "(not drawn)";
    }
    void key(SDL_Keycode key, Uint16 modifiers) {
        app().push_key_event(SDL_KEYDOWN, key, modifiers);
        app().push_key_event(SDL_KEYUP, key, modifiers);
        app().run_for(0.1);
    }
};

// Undone inside edit mode, which stays on, by the key and by the button.
TEST_F(Undo, FixFixUndoUndoBringsBackTheFirstRestShapeToTheBitWithAWholeTable) {
    const Shown dome = shown();
    sculpt_and_fix(160, 200);
    const Shown once = shown();
    sculpt_and_fix(100, 300);
    ASSERT_FALSE(shown() == once);
    app().ui().edit_switch.setOn(true);
    view().setEditMode(&app().ui().edit_switch);
    EXPECT_EQ(table_values_published_by([&] { key(SDLK_z, KMOD_LCTRL); }), kVertexCount);
    EXPECT_EQ(shown(), once);
    EXPECT_EQ(table_values_published_by([&] { click_control(ControlPanel::undo); }), kVertexCount);
    EXPECT_EQ(shown(), dome);
    EXPECT_TRUE(app().ui().edit_switch.isOn());
    EXPECT_FALSE(app().ui().edit_fix_button.isHidden());
    EXPECT_EQ(trans().time_interval(), 0.005f);
    auto fresh = std::make_unique<LUMOTransform>();
    ASSERT_TRUE(fresh->set_rest_shape_exactly(dome.rest_shape));
    fresh->init_distance();
    const std::span<const float> table = trans().influence_table();
    EXPECT_EQ(std::memcmp(fresh->influence_table().data(), table.data(), table.size_bytes()), 0);
}

// Each action by its own path; undone to the start by the button, redone by
// both keys, and a new action after an undo leaves nothing to redo.
TEST_F(Undo, PictureShapeAndInitializeAreUndoneAndRedoneInTurn) {
    ASSERT_TRUE(save_png_file(solid_picture(64, 64, {200, 30, 30, 255}), home_ / "red.png"));
    std::string error;
    ASSERT_TRUE(write_shape_file(home_ / "ramp.lumo", ramp_shape(), encode_png(Picture(8, 8)), &error)) << error;
    EXPECT_EQ(caption(ControlPanel::undo), "(off) Undo");
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"picture", [&] { drop(home_ / "red.png"); }},
        {"shape", [&] { drop(home_ / "ramp.lumo"); }},
        {"Initialize", [&] { click_control(ControlPanel::initialize), click_caption("Shape"); }},
    };
    std::vector<Shown> states{shown()};
    for (const auto& [name, act] : actions) {
        act();
        app().run_for(0.2);
        ASSERT_FALSE(shown() == states.back()) << name;
        states.push_back(shown());
        EXPECT_EQ(caption(ControlPanel::undo), std::string("Undo ") + name);
    }
    for (int k = 2; k >= 0; --k) {
        click_control(ControlPanel::undo);
        EXPECT_EQ(shown(), states[k]) << "undone to state " << k;
        EXPECT_EQ(caption(ControlPanel::redo), std::string("Redo ") + actions[k].first);
    }
    EXPECT_EQ(caption(ControlPanel::undo), "(off) Undo");
    for (int k = 1; k <= 3; ++k) {
        key(k == 2 ? SDLK_y : SDLK_z, KMOD_LCTRL | (k == 2 ? 0 : KMOD_LSHIFT));
        EXPECT_EQ(shown(), states[k]) << "redone to state " << k;
    }
    key(SDLK_z, KMOD_NONE);  // no Ctrl: nothing
    EXPECT_EQ(shown(), states[3]);
    click_control(ControlPanel::undo);
    view().initializeTexture();
    EXPECT_EQ(caption(ControlPanel::redo), "(off) Redo");
    EXPECT_EQ(app().delegate().history().undo_steps(), 3);
    click_control(ControlPanel::load);
    key(SDLK_z, KMOD_LCTRL);
    EXPECT_EQ(app().delegate().history().undo_steps(), 3) << "not while a menu is open";
}

// Where the tools' row is shown, captions fit: the narrowest panel (a
// phone's) takes the short word for Initialize.
TEST_F(Undo, CaptionsFitTheirButtons) {
    for (const auto& [width, height, initialize] :
         {std::tuple{320, 540, "Undo Init."}, std::tuple{390, 844, "Undo Init."},
          std::tuple{900, 600, "Undo Initialize"}}) {
        SDL_SetWindowSize(app().window().sdl_window(), width, height);
        view().initializeTexture();
        EXPECT_EQ(caption(ControlPanel::undo), initialize) << width;
        view().load_texture(shade(64, 90));
        EXPECT_EQ(caption(ControlPanel::undo), "Undo picture") << width;
        app().delegate().undo();
        EXPECT_EQ(caption(ControlPanel::redo), "Redo picture") << width;
        for (const DrawnItem& item : drawn_.items()) EXPECT_NE(item.kind, ProbedItem::overflow) << item.caption;
    }
}

}  // namespace
}  // namespace lumo::testing
