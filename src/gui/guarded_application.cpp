#include "gui/guarded_application.h"

#include <exception>
#include <utility>

namespace tidemark::gui {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        fault(e.what());
    } catch (...) {
        fault("unexpected error");
    }
    return false;
}

void GuardedApplication::fault(std::string_view what)
{
    // The report shows a box, whose own event loop may meet the same fault again: one box.
    if (m_inFault || !m_handler)
        return;
    m_inFault = true;
    try {
        m_handler(what);
    } catch (...) {
    }
    m_inFault = false;
}

} // namespace tidemark::gui
