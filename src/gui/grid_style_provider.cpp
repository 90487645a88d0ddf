#include "gui/grid_style_provider.h"

namespace tidemark::gui {

GridStyleProvider::GridStyleProvider(presentation::GridId id, const presentation::RenderContext& render)
    : m_id(id), m_render(&render)
{
}

presentation::CellStyle GridStyleProvider::operator()(const presentation::TextGrid& grid, int row, int col,
                                                      const presentation::StyleContext& context) const
{
    presentation::StyleContext withRace = context;
    withRace.render = m_render;
    return presentation::styleFor(m_id, grid, row, col, withRace);
}

void GridStyleProvider::install(GridTableModel& model, const presentation::RenderContext& render)
{
    model.setStyleProvider(GridStyleProvider(model.gridId(), render));
}

} // namespace tidemark::gui
