#include "support/recording_host.h"

namespace tidemark::testing {

void RecordingHost::information(std::string_view text)
{
    boxes.push_back({BoxKind::Information, std::string(text)});
    if (onBox)
        onBox(Box(boxes.back())); // a copy: the hook may show boxes of its own
}

bool RecordingHost::confirm(std::string_view text)
{
    boxes.push_back({BoxKind::Confirm, std::string(text)});
    if (confirmAnswers.empty())
        return true;
    bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

void RecordingHost::message(std::string_view text)
{
    boxes.push_back({BoxKind::Message, std::string(text)});
    if (onBox)
        onBox(Box(boxes.back())); // a copy: the hook may show boxes of its own
}

void RecordingHost::processEvents()
{
    ++eventPumps;
    posted.runAll();
    if (onProcessEvents)
        onProcessEvents();
}

bool RecordingHost::runPostedUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        if (posted.waitFor(left))
            posted.runAll();
    }
    return true;
}

void RecordingHost::pause(std::chrono::milliseconds wait)
{
    pauses.push_back(wait);
    processEvents();
}

bool RecordingHost::openWithDefault(const std::string& pathOrUrl)
{
    opened.push_back(pathOrUrl);
    return openSucceeds;
}

void RecordingHost::drawTransientText(int, int, std::string_view text)
{
    transientTexts.emplace_back(text);
}

std::vector<std::string> RecordingHost::boxTexts() const
{
    std::vector<std::string> r;
    for (const auto& b : boxes)
        r.push_back(b.text);
    return r;
}

} // namespace tidemark::testing
