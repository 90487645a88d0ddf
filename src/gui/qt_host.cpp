#include "gui/qt_host.h"

#include "presentation/main_window_texts.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

#include "text/cp932.h"

namespace tidemark::gui {

QString qs(std::string_view cp932)
{
    std::string u = text::toUtf8(cp932);
    return QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size()));
}

QtHost::QtHost(QObject* parent) : QObject(parent) {}

QtHost::~QtHost() = default;

QWidget* QtHost::dialogParent() const
{
    if (QWidget* w = QApplication::activeModalWidget())
        return w;
    // The window the user works in: a box raised from a side window (the backtest, the
    // movers board) belongs over it, so closing the box leaves that window in front
    // instead of bringing up the main window.
    if (QWidget* w = QApplication::activeWindow(); w && w->isVisible())
        return w;
    return m_mainWindow.data();
}

void QtHost::information(std::string_view text)
{
    QMessageBox box(QMessageBox::Information, QString::fromUtf8(texts::kAppTitle), qs(text),
                    QMessageBox::Ok, dialogParent());
    box.exec();
}

bool QtHost::confirm(std::string_view text)
{
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(texts::kAppTitle), qs(text),
                    QMessageBox::Yes | QMessageBox::No, dialogParent());
    return box.exec() == QMessageBox::Yes;
}

void QtHost::message(std::string_view text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(texts::kAppTitle), qs(text),
                    QMessageBox::Ok, dialogParent());
    box.exec();
}

void QtHost::beep() { QApplication::beep(); }

void QtHost::processEvents() { QApplication::processEvents(); }

void QtHost::setBusyCursor(bool busy)
{
    if (busy) {
        if (m_busyDepth++ == 0)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0) {
        if (--m_busyDepth == 0)
            QApplication::restoreOverrideCursor();
    }
}

namespace {

// One QTimer per owner. The QTimer is the host's child, so it goes with the host should
// an owner outlive it; an owner that goes first takes it away at the next turn of the
// event loop (its own tick may be the one that ends the owner).
class QtHostTimer final : public HostTimer {
public:
    explicit QtHostTimer(QObject* host) : m_timer(new QTimer(host))
    {
        QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] {
            if (m_onTick) {
                const std::function<void()> tick = m_onTick; // the tick may restart or end its timer
                tick();
            }
        });
    }
    ~QtHostTimer() override
    {
        if (!m_timer)
            return;
        m_timer->stop();
        m_timer->disconnect();
        m_timer->deleteLater();
    }
    void start(int intervalMs, std::function<void()> onTick) override
    {
        m_onTick = std::move(onTick);
        if (m_timer)
            m_timer->start(intervalMs);
    }
    void stop() override
    {
        if (m_timer)
            m_timer->stop();
    }
    bool running() const override { return m_timer && m_timer->isActive(); }

private:
    QPointer<QTimer> m_timer;
    std::function<void()> m_onTick;
};

} // namespace

std::unique_ptr<HostTimer> QtHost::makeTimer(TimerId /*kind*/) { return std::make_unique<QtHostTimer>(this); }

void QtHost::pause(std::chrono::milliseconds wait)
{
    QEventLoop loop;
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    loop.exec();
}

void QtHost::post(std::function<void()> task)
{
    // A queued call runs in this object's thread, the UI thread, from its event loop.
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

bool QtHost::openWithDefault(const std::string& pathOrUrl)
{
    QString s = QString::fromStdString(pathOrUrl);
    QUrl url = s.contains(QStringLiteral("://")) ? QUrl(s) : QUrl::fromLocalFile(s);
    return QDesktopServices::openUrl(url);
}

void QtHost::drawTransientText(int x, int y, std::string_view text)
{
    Q_EMIT transientText(x, y, qs(text));
}

void QtHost::clearTransientTexts()
{
    Q_EMIT transientTextsCleared();
}

void QtHost::setClipboardText(std::string_view text)
{
    QApplication::clipboard()->setText(qs(text));
}

text::DateTime QtHost::now() const
{
    QDateTime n = QDateTime::currentDateTime();
    QDate d = n.date();
    QTime t = n.time();
    return text::DateTime{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

} // namespace tidemark::gui
