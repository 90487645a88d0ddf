#pragma once
// The desktop program's application object: an exception that escapes an event handler
// ends that one action, not the running program.

#include <QApplication>

#include <functional>
#include <string_view>

namespace tidemark::gui {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);

    // Told of every exception caught at the dispatch of an event (its text, UTF-8).
    void setFaultHandler(std::function<void(std::string_view)> handler) { m_handler = std::move(handler); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void fault(std::string_view what);

    std::function<void(std::string_view)> m_handler;
    bool m_inFault = false;
};

} // namespace tidemark::gui
