#pragma once
// The Host of the desktop: Qt message boxes, timers, clipboard, cursor and clock.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "host/host.h"

class QTimer;

namespace tidemark::gui {

class QtHost final : public QObject, public Host {
    Q_OBJECT
public:
    explicit QtHost(QObject* parent = nullptr);
    ~QtHost() override;

    // Boxes are centred on this window unless another one is active; transient texts are
    // drawn on it.
    void setMainWindow(QWidget* w) { m_mainWindow = w; }

    void information(std::string_view text) override;
    bool confirm(std::string_view text) override;
    void message(std::string_view text) override;
    void beep() override;
    void processEvents() override;
    // Long loops repaint and look for clicks about once a frame (60 a second).
    std::chrono::milliseconds frameInterval() const override { return std::chrono::milliseconds(16); }
    void setBusyCursor(bool busy) override;
    void post(std::function<void()> task) override;
    // The window's events are served while the time passes.
    void pause(std::chrono::milliseconds wait) override;
    std::unique_ptr<HostTimer> makeTimer(TimerId kind) override;
    bool openWithDefault(const std::string& pathOrUrl) override;
    void drawTransientText(int x, int y, std::string_view text) override;
    void clearTransientTexts() override;
    void setClipboardText(std::string_view text) override;
    text::DateTime now() const override;

Q_SIGNALS:
    void transientText(int x, int y, const QString& text);
    void transientTextsCleared();

private:
    QWidget* dialogParent() const;

    QPointer<QWidget> m_mainWindow;
    int m_busyDepth = 0;
};

// CP932 bytes -> QString for the screen.
QString qs(std::string_view cp932);

} // namespace tidemark::gui
