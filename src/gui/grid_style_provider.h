#pragma once
// Plugs the engine's cell rules into a grid's table model: every painted cell is styled
// by presentation::styleFor with the main window's RenderContext (the open race, its
// payouts, the gap thresholds). No rule lives here.

#include "gui/grid_table_model.h"
#include "presentation/cell_rendering.h"

namespace tidemark::gui {

class GridStyleProvider {
public:
    // `render` must outlive every model the provider is installed on.
    GridStyleProvider(presentation::GridId id, const presentation::RenderContext& render);

    presentation::CellStyle operator()(const presentation::TextGrid& grid, int row, int col,
                                       const presentation::StyleContext& context) const;

    // Styles `model`'s grid from `render` from now on.
    static void install(GridTableModel& model, const presentation::RenderContext& render);

private:
    presentation::GridId m_id;
    const presentation::RenderContext* m_render;
};

} // namespace tidemark::gui
