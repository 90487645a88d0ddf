#include "support/recording_host.h"

namespace tidemark::testing {

void RecordingHost::information(std::string_view text)
{
    boxes.push_back({BoxKind::Information, std::string(text)});
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
}

void RecordingHost::processEvents()
{
    ++eventPumps;
    if (onProcessEvents)
        onProcessEvents();
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
